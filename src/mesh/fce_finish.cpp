// Finishes an FCE car for the game: vertex normals for its lighting, half sizes for its box.
#include "mesh/fce_finish.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "common/vec3d.hpp"
#include "mesh/fce_layout.hpp"
#include "mesh/fce_reader.hpp"

namespace tromvex {
namespace {

// The high body and its four wheels: the parts whose extent is the car's box.
constexpr std::size_t kBoxPartCount = 5;

Vec3d widened(const Vec3f& v) { return {v.x, v.y, v.z}; }

// A double as the nearest float; beyond the float range, an infinity of its sign.
float narrowed(double value) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  if (value > kLargest) return std::numeric_limits<float>::infinity();
  if (value < -kLargest) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

// Adds each triangle's outward normal, whose length is twice its area, to its three corners.
void sum_triangle_normals(const FceCar& car, const FceCarPart& part, std::vector<Vec3d>& sums) {
  const auto first_vertex = static_cast<std::size_t>(part.first_vertex);
  const auto first_triangle = static_cast<std::size_t>(part.first_triangle);
  for (std::size_t t = 0; t < static_cast<std::size_t>(part.triangle_count); ++t) {
    const FceTriangle& triangle = car.triangles[first_triangle + t];
    // The reader has checked that every index lies in the part.
    std::array<Vec3d, 3> corner;
    for (std::size_t i = 0; i < 3; ++i) {
      corner[i] =
          widened(car.vertices[first_vertex + static_cast<std::size_t>(triangle.indices[i])]);
    }
    const Vec3d normal = cross(corner[2] - corner[0], corner[1] - corner[0]);
    for (const std::int32_t index : triangle.indices) {
      Vec3d& sum = sums[static_cast<std::size_t>(index)];
      sum = sum + normal;
    }
  }
}

// Writes the normals of one part's vertices into the normal block; returns how many it wrote.
std::size_t write_part_normals(const FceCar& car, const FceCarPart& part, std::uint8_t* normals,
                               std::vector<Vec3d>& sums) {
  sums.assign(static_cast<std::size_t>(part.vertex_count), Vec3d{});
  sum_triangle_normals(car, part, sums);
  std::size_t written = 0;
  for (std::size_t j = 0; j < sums.size(); ++j) {
    const double length = std::sqrt(dot(sums[j], sums[j]));
    if (!(length > 0.0 && std::isfinite(length))) continue;
    const Vec3d unit = sums[j] * (1.0 / length);
    std::uint8_t* at = normals + kFceNormalSize * (static_cast<std::size_t>(part.first_vertex) + j);
    write_f32_le(at, static_cast<float>(unit.x));
    write_f32_le(at + kFceWordSize, static_cast<float>(unit.y));
    write_f32_le(at + 2 * kFceWordSize, static_cast<float>(unit.z));
    ++written;
  }
  return written;
}

// The largest of each half-size measure over the box parts' vertices; -infinity where no
// vertex gave a finite comparison.
Vec3d measure_box(const FceCar& car) {
  constexpr double kNone = -std::numeric_limits<double>::infinity();
  Vec3d largest{kNone, kNone, kNone};
  const std::size_t parts = std::min(car.parts.size(), kBoxPartCount);
  for (std::size_t p = 0; p < parts; ++p) {
    const FceCarPart& part = car.parts[p];
    const Vec3d position = widened(part.position);
    for (std::int32_t j = 0; j < part.vertex_count; ++j) {
      const Vec3d at =
          widened(car.vertices[static_cast<std::size_t>(part.first_vertex + j)]) + position;
      // A comparison with NaN is false, so a NaN coordinate never wins.
      if (std::abs(at.x) > largest.x) largest.x = std::abs(at.x);
      if (-at.y > largest.y) largest.y = -at.y;
      if (std::abs(at.z) > largest.z) largest.z = std::abs(at.z);
    }
  }
  return largest;
}

// Stores each measured half size over the one in the image; returns the three as stored.
Vec3f write_half_sizes(const Vec3d& measured, std::uint8_t* header) {
  const std::array<double, 3> values{measured.x, measured.y, measured.z};
  std::array<float, 3> stored{};
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::uint8_t* at = header + kFceHalfSizesOffset + kFceWordSize * i;
    if (values[i] > -std::numeric_limits<double>::infinity()) write_f32_le(at, narrowed(values[i]));
    stored[i] = std::bit_cast<float>(read_u32_le(at));
  }
  return {stored[0], stored[1], stored[2]};
}

}  // namespace

FinishedFce finish_fce_image(std::span<const std::uint8_t> image) {
  const FceCar car = read_fce_image(image);
  FinishedFce finished;
  finished.image.assign(image.begin(), image.end());
  finished.part_count = car.parts.size();

  // The reader has checked that the normal block holds a normal for every vertex.
  std::uint8_t* const normals = finished.image.data() + kFceHeaderSize +
                                read_u32_le(finished.image.data() + kFceNormalBlockFieldOffset);
  std::vector<Vec3d> sums;
  for (const FceCarPart& part : car.parts) {
    finished.normal_count += write_part_normals(car, part, normals, sums);
  }
  finished.half_sizes = write_half_sizes(measure_box(car), finished.image.data());
  return finished;
}

}  // namespace tromvex
