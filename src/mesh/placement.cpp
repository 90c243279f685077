// Gives every FCE part its first vertex and triangle in the car, and centres the wheels.
#include "mesh/placement.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "common/narrow.hpp"

namespace tromvex {
namespace {

// The eight wheel parts, "High" then "Medium"; the bodies (0, 5, 10, 11) are not centred.
constexpr std::array<std::size_t, 8> kWheelParts{1, 2, 3, 4, 6, 7, 8, 9};
// The wheel whose whole y extent every part is lowered by: "High right front Wheel".
constexpr std::size_t kLoweringWheelPart = 1;

// Moves the part's local origin in y to the middle of its vertices' y range, widened to
// contain 0.0; returns that range's extent h.
float centre_part_in_y(std::vector<Vec3f>& vertices, Vec3f& position) {
  float minimum = 0.0f;
  float maximum = 0.0f;
  for (const Vec3f& vertex : vertices) {
    if (vertex.y < minimum) minimum = vertex.y;
    if (vertex.y > maximum) maximum = vertex.y;
  }
  const float extent = maximum - minimum;
  const float shift = extent * 0.5f;
  // Vertex plus position stays where it was: only the local origin moves.
  for (Vec3f& vertex : vertices) vertex.y -= shift;
  position.y += shift;
  return extent;
}

}  // namespace

bool is_wheel_part(std::size_t k) {
  return std::find(kWheelParts.begin(), kWheelParts.end(), k) != kWheelParts.end();
}

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

void centre_wheel_parts(FceParts& parts) {
  float lowering = 0.0f;
  for (const std::size_t wheel : kWheelParts) {
    const float extent = centre_part_in_y(parts[wheel].vertices, parts[wheel].position);
    if (wheel == kLoweringWheelPart) lowering = extent;  // the whole extent, not its half
  }
  for (FcePart& part : parts) part.position.y -= lowering;
}

}  // namespace tromvex
