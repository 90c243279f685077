// Gives every FCE part its first vertex and triangle in the car, and centres the wheels.
#include "mesh/placement.hpp"

#include <array>
#include <cstdint>

#include "common/narrow.hpp"

namespace tromvex {
namespace {

// The eight wheel parts, "High" then "Medium"; the bodies (0, 5, 10, 11) are not centred.
constexpr std::array<std::size_t, 8> kWheelParts{1, 2, 3, 4, 6, 7, 8, 9};
// The wheel whose whole y extent every part is lowered by: "High right front Wheel".
constexpr std::size_t kLoweringWheelPart = 1;

}  // namespace

FceTotals assign_first_indices(FceParts& parts) {
  std::int64_t vertex_total = 0;
  std::int64_t triangle_total = 0;
  for (FcePart& part : parts) {
    part.first_vertex = to_int32(vertex_total);
    part.first_triangle = to_int32(triangle_total);
    vertex_total += part.vertex_count;
    triangle_total += part.triangle_count;
  }
  return {to_int32(vertex_total), to_int32(triangle_total)};
}

std::array<float, kFcePartCount> centre_wheel_parts(FceParts& parts, const PartYRanges& ranges) {
  std::array<float, kFcePartCount> shifts{};
  float lowering = 0.0f;
  for (const std::size_t wheel : kWheelParts) {
    const float extent = ranges[wheel].high - ranges[wheel].low;
    shifts[wheel] = extent * 0.5f;
    parts[wheel].position.y += shifts[wheel];
    if (wheel == kLoweringWheelPart) lowering = extent;  // the whole extent, not its half
  }
  for (FcePart& part : parts) part.position.y -= lowering;
  return shifts;
}

}  // namespace tromvex
