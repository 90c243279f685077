// Builds the byte image of the FCE mesh file: the fixed header tables, then the data blocks.
#include "mesh/fce_image.hpp"

#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <limits>

#include "mesh/fce_layout.hpp"
#include "mesh/fce_parts.hpp"
#include "mesh/placement.hpp"

namespace tromvex {
namespace {

static_assert(kFcePartCount <= kFceSlotCount);
static_assert(kFcePartNameSize <= kFceNameSlotSize);

// Block offsets are 32-bit fields; only an image past 4 GiB could need more, and then the low
// 32 bits are what the field can hold.
std::uint32_t low_word(std::uint64_t value) { return static_cast<std::uint32_t>(value); }

// A data block is filled through a running position. Parts of as many vertices and triangles as
// describe_fce_parts counts never write past the image; each write asserts it.
class BlockWriter {
 public:
  explicit BlockWriter(Bytes& image, std::size_t position = kFceHeaderSize)
      : image_(image), position_(position) {}

  // Moves the running position to position.
  void seek(std::size_t position) { position_ = position; }

  // The next size bytes, which the caller's counts keep inside the image; moves past them.
  std::uint8_t* take(std::size_t size) {
    assert(position_ <= image_.size() && size <= image_.size() - position_);
    std::uint8_t* const record = image_.data() + position_;
    position_ += size;
    return record;
  }
  void point(const Vec3f& p) {
    std::uint8_t* const record = take(kFceVertexSize);
    write_f32_le(record, p.x);
    write_f32_le(record + kFceWordSize, p.y);
    write_f32_le(record + 2 * kFceWordSize, p.z);
  }

 private:
  Bytes& image_;
  std::size_t position_;
};

void write_block_offsets(std::uint8_t* image, std::uint64_t v, std::uint64_t t) {
  const std::uint64_t normal_block = kFceVertexSize * v;
  const std::uint64_t triangle_block = normal_block + kFceNormalSize * v;
  const std::uint64_t first_zero_block = triangle_block + kFceTriangleRecordSize * t;
  const std::uint64_t second_zero_block = first_zero_block + kFceFirstZeroBlockVertexSize * v;
  const std::uint64_t third_zero_block = second_zero_block + kFceSecondZeroBlockVertexSize * v;
  write_u32_le(image + kFceVertexBlockFieldOffset, 0);
  write_u32_le(image + kFceNormalBlockFieldOffset, low_word(normal_block));
  write_u32_le(image + kFceTriangleBlockFieldOffset, low_word(triangle_block));
  write_u32_le(image + kFceFirstZeroBlockFieldOffset, low_word(first_zero_block));
  write_u32_le(image + kFceSecondZeroBlockFieldOffset, low_word(second_zero_block));
  write_u32_le(image + kFceThirdZeroBlockFieldOffset, low_word(third_zero_block));
}

void write_part_tables(std::uint8_t* image, const FceParts& parts) {
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const FcePart& part = parts[i];
    std::uint8_t* position = image + kFcePositionsOffset + kFcePositionSlotSize * i;
    write_f32_le(position, part.position.x);
    write_f32_le(position + kFceWordSize, part.position.y);
    write_f32_le(position + 2 * kFceWordSize, part.position.z);
    write_s32_le(image + kFceFirstVerticesOffset + kFceWordSize * i, part.first_vertex);
    write_s32_le(image + kFceVertexCountsOffset + kFceWordSize * i, part.vertex_count);
    write_s32_le(image + kFceFirstTrianglesOffset + kFceWordSize * i, part.first_triangle);
    write_s32_le(image + kFceTriangleCountsOffset + kFceWordSize * i, part.triangle_count);
  }
}

// The name's characters up to its terminator; the rest of the slot stays zero.
void write_part_names(std::uint8_t* image, const FceParts& parts) {
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::uint8_t* slot = image + kFceNamesOffset + kFceNameSlotSize * i;
    for (const char c : parts[i].name) {
      if (c == '\0') break;
      *slot++ = static_cast<std::uint8_t>(c);
    }
  }
}

void write_header(Bytes& image, const FceParts& parts, FceTotals totals) {
  std::uint8_t* const header = image.data();
  write_s32_le(header + kFceTriangleTotalOffset, totals.triangle_total);
  write_s32_le(header + kFceVertexTotalOffset, totals.vertex_total);
  write_u32_le(header + kFceFirstOneWordOffset, 1);
  write_block_offsets(header, static_cast<std::uint64_t>(totals.vertex_total),
                      static_cast<std::uint64_t>(totals.triangle_total));
  for (std::size_t i = 0; i < kFceFixedHalfSizePatterns.size(); ++i) {
    write_u32_le(header + kFceHalfSizesOffset + kFceWordSize * i, kFceFixedHalfSizePatterns[i]);
  }
  write_u32_le(header + kFcePartCountOffset, kFcePartCount);
  write_part_tables(header, parts);
  write_u32_le(header + kFceSecondOneWordOffset, 1);
  write_part_names(header, parts);
}

// One bounds check for the whole record, then its fourteen words.
void write_triangle(BlockWriter& out, const FceTriangle& triangle) {
  std::uint8_t* const record = out.take(kFceTriangleRecordSize);
  write_u32_le(record, 0);
  for (std::size_t i = 0; i < 3; ++i) {
    write_s32_le(record + kFceTriangleIndicesOffset + kFceWordSize * i, triangle.indices[i]);
    write_f32_le(record + kFceTriangleUOffset + kFceWordSize * i, triangle.u[i]);
    write_f32_le(record + kFceTriangleVOffset + kFceWordSize * i, triangle.v[i]);
  }
  for (std::size_t i = 0; i < kFceTriangleFillWordCount; ++i) {
    write_u32_le(record + kFceTriangleFillWordsOffset + kFceWordSize * i, kFceTriangleFillWord);
  }
  write_u32_le(record + kFceTriangleFlagsOffset, triangle.flags);
}

// The image of S bytes for totals V and T, every byte zero.
Bytes zero_image(FceTotals totals) {
  // Totals come from counts that are never negative; a negative one would shrink the image
  // below its header.
  assert(totals.vertex_total >= 0 && totals.triangle_total >= 0);
  const auto v = static_cast<std::uint64_t>(totals.vertex_total);
  const auto t = static_cast<std::uint64_t>(totals.triangle_total);
  const std::uint64_t size = kFceHeaderSize + kFceBytesPerVertex * v + kFceTriangleRecordSize * t;
  assert(size <= std::numeric_limits<std::size_t>::max());
  return Bytes(static_cast<std::size_t>(size), 0);
}

// Where part's first vertex goes in the vertex block.
std::size_t vertex_position(const FcePart& part) {
  return kFceHeaderSize + kFceVertexSize * static_cast<std::size_t>(part.first_vertex);
}

// Writes each vertex into the vertex block, and each triangle into the triangle block, as
// assemble_fce_parts makes them, and takes the y range of each part's vertices.
class ImageWriter final : public FcePartSink {
 public:
  ImageWriter(Bytes& image, const FceParts& parts, std::size_t triangle_block)
      : parts_(parts), triangle_block_(triangle_block), triangles_(image), vertices_(image) {}

  void start_part(std::size_t k) override {
    part_ = k;
    const FcePart& part = parts_[k];
    triangles_.seek(triangle_block_ +
                    kFceTriangleRecordSize * static_cast<std::size_t>(part.first_triangle));
    vertices_.seek(vertex_position(part));
  }
  void vertex(const Vec3f& vertex) override {
    y_ranges_[part_].take(vertex.y);
    vertices_.point(vertex);
  }
  void triangle(const FceTriangle& triangle) override { write_triangle(triangles_, triangle); }

  const PartYRanges& y_ranges() const { return y_ranges_; }

 private:
  const FceParts& parts_;
  std::size_t triangle_block_;
  BlockWriter triangles_;
  BlockWriter vertices_;
  std::size_t part_ = 0;
  PartYRanges y_ranges_;
};

// Moves each vertex of part down by shift in y, where it stands in the image.
void lower_vertices(Bytes& image, const FcePart& part, float shift) {
  const auto count = static_cast<std::size_t>(part.vertex_count);
  assert(vertex_position(part) + kFceVertexSize * count <= image.size());
  std::uint8_t* y = image.data() + vertex_position(part) + kFceWordSize;
  for (std::size_t i = 0; i < count; ++i, y += kFceVertexSize) {
    write_f32_le(y, std::bit_cast<float>(read_u32_le(y)) - shift);
  }
}

}  // namespace

Bytes build_fce_image(std::span<const GeoPart> geo_parts, std::int32_t atlas_height) {
  FceParts parts = describe_fce_parts(geo_parts);
  const FceTotals totals = assign_first_indices(parts);
  Bytes image = zero_image(totals);

  const std::size_t triangle_block =
      kFceHeaderSize +
      (kFceVertexSize + kFceNormalSize) * static_cast<std::size_t>(totals.vertex_total);
  ImageWriter writer(image, parts, triangle_block);
  assemble_fce_parts(geo_parts, atlas_height, writer);
  const std::array<float, kFcePartCount> shifts = centre_wheel_parts(parts, writer.y_ranges());
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (shifts[k] != 0.0f) lower_vertices(image, parts[k], shifts[k]);
  }
  // The normal block and the three zero blocks keep the zeros the image was created with.
  write_header(image, parts, totals);
  return image;
}

}  // namespace tromvex
