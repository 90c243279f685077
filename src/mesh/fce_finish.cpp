// Finishes an FCE car for the game: vertex normals for its lighting, half sizes for its box.
#include "mesh/fce_finish.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "common/malformed_file.hpp"
#include "common/vec3d.hpp"
#include "mesh/fce_layout.hpp"
#include "mesh/fce_reader.hpp"

namespace tromvex {
namespace {

// The high body and its four wheels: the parts whose extent is the car's box.
constexpr std::size_t kBoxPartCount = 5;

Vec3d widened(const Vec3f& v) { return {v.x, v.y, v.z}; }

bool finite(const Vec3d& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A double as the nearest float; beyond the float range, an infinity of its sign (as rounding
// to the nearest float does, without the undefined conversion).
float narrowed(double value) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  if (value > kLargest) return std::numeric_limits<float>::infinity();
  if (value < -kLargest) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

// The bytes [begin, end) of one data block in the image; the reader has checked that they lie
// inside it.
struct ByteRange {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool overlaps(const ByteRange& other) const {
    return begin < other.end && other.begin < end;  // empty ranges overlap nothing
  }
};

ByteRange block_range(std::span<const std::uint8_t> image, const FceBlock& block,
                      std::size_t records) {
  const std::size_t begin = kFceHeaderSize + read_u32_le(image.data() + block.field_offset);
  return {begin, begin + block.record_size * records};
}

// The normals are written over the normal block alone: a file whose normal block shares bytes
// with another block (no car's does) would have that block's bytes changed, so it is refused.
ByteRange normal_block_apart(std::span<const std::uint8_t> image, const FceCar& car) {
  const std::size_t vertices = car.vertices.size();
  const ByteRange normals = block_range(image, kFceNormalBlock, vertices);
  const std::array<std::pair<FceBlock, std::size_t>, 5> others{
      {{kFceVertexBlock, vertices},
       {kFceTriangleBlock, car.triangles.size()},
       {kFceZeroBlocks[0], vertices},
       {kFceZeroBlocks[1], vertices},
       {kFceZeroBlocks[2], vertices}}};
  for (const auto& [block, records] : others) {
    if (normals.overlaps(block_range(image, block, records))) {
      throw MalformedFile("the normal block of the FCE file overlaps its " +
                          std::string(block.name) + " block");
    }
  }
  return normals;
}

// The sum, for each vertex of the car, of the outward normals of the triangles that use it,
// each as long as twice the triangle's area. Each part's triangles reach only its own vertices
// (the reader has checked their indices), so parts never share normals; a triangle with a
// corner that is not finite adds nothing.
std::vector<Vec3d> summed_face_normals(const FceCar& car) {
  std::vector<Vec3d> sums(car.vertices.size());
  for (const FceCarPart& part : car.parts) {
    const auto first_vertex = static_cast<std::size_t>(part.first_vertex);
    const auto first_triangle = static_cast<std::size_t>(part.first_triangle);
    for (std::size_t t = 0; t < static_cast<std::size_t>(part.triangle_count); ++t) {
      const FceTriangle& triangle = car.triangles[first_triangle + t];
      std::array<std::size_t, 3> vertex;
      for (std::size_t i = 0; i < 3; ++i)
        vertex[i] = first_vertex + static_cast<std::size_t>(triangle.indices[i]);
      const Vec3d p0 = widened(car.vertices[vertex[0]]);
      const Vec3d p1 = widened(car.vertices[vertex[1]]);
      const Vec3d p2 = widened(car.vertices[vertex[2]]);
      // The game's winding: this side faces out. Differences and products of floats cannot
      // overflow a double, so a finite corner always gives a finite normal.
      const Vec3d normal = cross(p2 - p0, p1 - p0);
      if (!finite(normal)) continue;
      for (const std::size_t v : vertex) sums[v] = sums[v] + normal;
    }
  }
  return sums;
}

// Writes each vertex's sum, made unit, into the normal block; a zero sum leaves its normal as
// it was. Returns how many normals it wrote.
std::size_t write_normals(const std::vector<Vec3d>& sums, std::uint8_t* normal_block) {
  std::size_t written = 0;
  for (std::size_t v = 0; v < sums.size(); ++v) {
    const double length = std::sqrt(dot(sums[v], sums[v]));
    if (!(length > 0.0)) continue;
    const Vec3d unit = sums[v] * (1.0 / length);
    std::uint8_t* const at = normal_block + kFceNormalSize * v;
    write_f32_le(at, static_cast<float>(unit.x));
    write_f32_le(at + kFceWordSize, static_cast<float>(unit.y));
    write_f32_le(at + 2 * kFceWordSize, static_cast<float>(unit.z));
    ++written;
  }
  return written;
}

// The largest |x|, -y and |z| over the box parts' vertices moved by their parts' positions,
// each over the finite values only; -infinity for a measure no finite value gave.
Vec3d measure_box(const FceCar& car) {
  constexpr double kNone = -std::numeric_limits<double>::infinity();
  Vec3d largest{kNone, kNone, kNone};
  const auto widen_to = [](double& largest_so_far, double value) {
    if (std::isfinite(value)) largest_so_far = std::max(largest_so_far, value);
  };
  const std::size_t parts = std::min(car.parts.size(), kBoxPartCount);
  for (std::size_t p = 0; p < parts; ++p) {
    const FceCarPart& part = car.parts[p];
    const Vec3d position = widened(part.position);
    const auto first_vertex = static_cast<std::size_t>(part.first_vertex);
    for (std::size_t j = 0; j < static_cast<std::size_t>(part.vertex_count); ++j) {
      const Vec3d at = widened(car.vertices[first_vertex + j]) + position;
      widen_to(largest.x, std::abs(at.x));
      widen_to(largest.y, -at.y);
      widen_to(largest.z, std::abs(at.z));
    }
  }
  return largest;
}

// Stores each measured half size over the one in the header; returns the three as stored.
Vec3f write_half_sizes(const Vec3d& measured, std::uint8_t* header) {
  const std::array<double, 3> values{measured.x, measured.y, measured.z};
  std::array<float, 3> stored{};
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::uint8_t* const at = header + kFceHalfSizesOffset + kFceWordSize * i;
    if (std::isfinite(values[i])) write_f32_le(at, narrowed(values[i]));
    stored[i] = std::bit_cast<float>(read_u32_le(at));
  }
  return {stored[0], stored[1], stored[2]};
}

}  // namespace

FinishedFce finish_fce_image(std::span<const std::uint8_t> image) {
  const FceCar car = read_fce_image(image);
  const ByteRange normals = normal_block_apart(image, car);
  FinishedFce finished;
  finished.image.assign(image.begin(), image.end());
  finished.part_count = car.parts.size();
  finished.normal_count =
      write_normals(summed_face_normals(car), finished.image.data() + normals.begin);
  finished.half_sizes = write_half_sizes(measure_box(car), finished.image.data());
  return finished;
}

}  // namespace tromvex
