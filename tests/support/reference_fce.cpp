// The FCE parts and image the whole-table way.
#include "support/reference_fce.hpp"

#include <array>
#include <bit>
#include <cstddef>

#include "mesh/fce_layout.hpp"
#include "mesh/fce_parts.hpp"
#include "mesh/placement.hpp"

namespace tromvex::test {
namespace {

// Collects each part's vertices, zero normals and triangles into its own arrays.
class PartArrays final : public FcePartSink {
 public:
  explicit PartArrays(FceParts& parts) : parts_(parts) {}
  void start_part(std::size_t k) override { part_ = &parts_[k]; }
  void vertex(const Vec3f& vertex) override {
    part_->vertices.push_back(vertex);
    part_->normals.push_back({0.0f, 0.0f, 0.0f});
  }
  void triangle(const FceTriangle& triangle) override { part_->triangles.push_back(triangle); }

 private:
  FceParts& parts_;
  FcePart* part_ = nullptr;
};

void append_word(Bytes& image, std::uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8)
    image.push_back(static_cast<std::uint8_t>(word >> shift));
}

void append_point(Bytes& image, const Vec3f& point) {
  for (const float coordinate : {point.x, point.y, point.z}) {
    append_word(image, std::bit_cast<std::uint32_t>(coordinate));
  }
}

void put_word(Bytes& image, std::size_t at, std::uint32_t word) {
  for (std::size_t i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>(word >> (8 * i));
}

void put_point(Bytes& image, std::size_t at, const Vec3f& point) {
  put_word(image, at, std::bit_cast<std::uint32_t>(point.x));
  put_word(image, at + 4, std::bit_cast<std::uint32_t>(point.y));
  put_word(image, at + 8, std::bit_cast<std::uint32_t>(point.z));
}

// The header's fixed fields and per-part slots; the block offsets are put in as the blocks are
// appended.
Bytes header_of(const FceParts& parts, FceTotals totals) {
  Bytes image(kFceHeaderSize, 0);
  put_word(image, kFceTriangleTotalOffset, static_cast<std::uint32_t>(totals.triangle_total));
  put_word(image, kFceVertexTotalOffset, static_cast<std::uint32_t>(totals.vertex_total));
  put_word(image, kFceFirstOneWordOffset, 1);
  for (std::size_t i = 0; i < kFceFixedHalfSizePatterns.size(); ++i) {
    put_word(image, kFceHalfSizesOffset + 4 * i, kFceFixedHalfSizePatterns[i]);
  }
  put_word(image, kFcePartCountOffset, static_cast<std::uint32_t>(parts.size()));
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const FcePart& part = parts[i];
    put_point(image, kFcePositionsOffset + 12 * i, part.position);
    put_word(image, kFceFirstVerticesOffset + 4 * i, static_cast<std::uint32_t>(part.first_vertex));
    put_word(image, kFceVertexCountsOffset + 4 * i, static_cast<std::uint32_t>(part.vertex_count));
    put_word(image, kFceFirstTrianglesOffset + 4 * i,
             static_cast<std::uint32_t>(part.first_triangle));
    put_word(image, kFceTriangleCountsOffset + 4 * i,
             static_cast<std::uint32_t>(part.triangle_count));
    for (std::size_t c = 0; c < part.name.size() && part.name[c] != '\0'; ++c) {
      image[kFceNamesOffset + kFceNameSlotSize * i + c] = static_cast<std::uint8_t>(part.name[c]);
    }
  }
  put_word(image, kFceSecondOneWordOffset, 1);
  return image;
}

}  // namespace

Bytes reference_fce_image(const FceParts& parts, FceTotals totals) {
  Bytes image = header_of(parts, totals);
  // Each block offset field holds where its block starts, counted from the header's end.
  const auto start_block = [&image](std::size_t field) {
    put_word(image, field, static_cast<std::uint32_t>(image.size() - kFceHeaderSize));
  };
  start_block(kFceVertexBlockFieldOffset);
  for (const FcePart& part : parts) {
    for (const Vec3f& vertex : part.vertices) append_point(image, vertex);
  }
  start_block(kFceNormalBlockFieldOffset);
  for (const FcePart& part : parts) {
    for (const Vec3f& normal : part.normals) append_point(image, normal);
  }
  start_block(kFceTriangleBlockFieldOffset);
  for (const FcePart& part : parts) {
    for (const FceTriangle& triangle : part.triangles) {
      append_word(image, 0);
      for (const std::int32_t index : triangle.indices) {
        append_word(image, static_cast<std::uint32_t>(index));
      }
      for (int fill = 0; fill < 3; ++fill) append_word(image, 0xFF00FF00);
      append_word(image, triangle.flags);
      for (const float u : triangle.u) append_word(image, std::bit_cast<std::uint32_t>(u));
      for (const float v : triangle.v) append_word(image, std::bit_cast<std::uint32_t>(v));
    }
  }
  const auto vertices = static_cast<std::size_t>(totals.vertex_total);
  for (const auto& [field, bytes_per_vertex] : {std::pair{kFceFirstZeroBlockFieldOffset, 32},
                                                {kFceSecondZeroBlockFieldOffset, 12},
                                                {kFceThirdZeroBlockFieldOffset, 12}}) {
    start_block(field);
    image.resize(image.size() + static_cast<std::size_t>(bytes_per_vertex) * vertices, 0);
  }
  return image;
}

void centre_wheel_arrays(FceParts& parts) {
  PartYRanges ranges;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    for (const Vec3f& vertex : parts[k].vertices) ranges[k].take(vertex.y);
  }
  const std::array<float, kFcePartCount> shifts = centre_wheel_parts(parts, ranges);
  for (std::size_t k = 0; k < parts.size(); ++k) {
    for (Vec3f& vertex : parts[k].vertices) vertex.y -= shifts[k];
  }
}

Bytes reference_fce_car(std::span<const GeoPart> geo_parts, std::int32_t atlas_height) {
  FceParts parts = assembled_fce_parts(geo_parts, atlas_height);
  const FceTotals totals = assign_first_indices(parts);
  centre_wheel_arrays(parts);
  return reference_fce_image(parts, totals);
}

FceParts assembled_fce_parts(std::span<const GeoPart> geo_parts, std::int32_t atlas_height) {
  FceParts parts = describe_fce_parts(geo_parts);
  PartArrays arrays(parts);
  assemble_fce_parts(geo_parts, atlas_height, arrays);
  return parts;
}

}  // namespace tromvex::test
