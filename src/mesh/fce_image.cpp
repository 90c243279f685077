// Builds the byte image of the FCE mesh file: the fixed header tables, then the data blocks.
#include "mesh/fce_image.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <limits>
#include <vector>

#include "mesh/fce_parts.hpp"
#include "mesh/placement.hpp"

namespace tromvex {
namespace {

// Header fields. The six block offsets count from the end of the header.
constexpr std::size_t kFceTriangleTotalOffset = 4;
constexpr std::size_t kFceVertexTotalOffset = 8;
constexpr std::size_t kFceFirstOneWordOffset = 12;
constexpr std::size_t kFceVertexBlockFieldOffset = 16;
constexpr std::size_t kFceNormalBlockFieldOffset = 20;
constexpr std::size_t kFceTriangleBlockFieldOffset = 24;
constexpr std::size_t kFceFirstZeroBlockFieldOffset = 28;
constexpr std::size_t kFceSecondZeroBlockFieldOffset = 32;
constexpr std::size_t kFceThirdZeroBlockFieldOffset = 36;
constexpr std::size_t kFceFixedFloatsOffset = 40;
constexpr std::size_t kFcePartCountOffset = 248;
constexpr std::size_t kFcePositionsOffset = 252;
constexpr std::size_t kFceFirstVerticesOffset = 1020;
constexpr std::size_t kFceVertexCountsOffset = 1276;
constexpr std::size_t kFceFirstTrianglesOffset = 1532;
constexpr std::size_t kFceTriangleCountsOffset = 1788;
constexpr std::size_t kFceSecondOneWordOffset = 2044;
constexpr std::size_t kFceNamesOffset = 3588;

// The three floats every car carries, as their bit patterns.
constexpr std::array<std::uint32_t, 3> kFceFixedFloatPatterns{0x3F977507, 0x3F2B39A5, 0x401A0324};

// Every per-part table has 64 slots; the twelve parts fill the first ones.
constexpr std::size_t kFceSlotCount = 64;
constexpr std::size_t kFceWordSize = 4;
constexpr std::size_t kFcePositionSlotSize = 12;
constexpr std::size_t kFceNameSlotSize = 64;
static_assert(kFcePartCount <= kFceSlotCount);
static_assert(kFcePartNameSize <= kFceNameSlotSize);
static_assert(kFceNamesOffset + kFceSlotCount * kFceNameSlotSize <= kFceHeaderSize);

// Bytes per vertex or triangle in each data block.
constexpr std::int64_t kFceVertexSize = 12;
constexpr std::int64_t kFceNormalSize = 12;
constexpr std::int64_t kFceTriangleRecordSize = 56;
constexpr std::int64_t kFceFirstZeroBlockVertexSize = 32;
constexpr std::int64_t kFceSecondZeroBlockVertexSize = 12;
constexpr std::int64_t kFceThirdZeroBlockVertexSize = 12;

// The three words after a triangle's indices, the same in every triangle record.
constexpr std::uint32_t kFceTriangleFillWord = 0xFF00FF00;
constexpr int kFceTriangleFillWordCount = 3;

// Block offsets are 32-bit fields; only an image past 4 GiB could need more, and then the low
// 32 bits are what the field can hold.
std::uint32_t low_word(std::int64_t value) { return static_cast<std::uint32_t>(value); }

// The data blocks are filled through one running position. Parts whose arrays agree with their
// counts (as assemble_fce_parts makes them) never write past the image; each write asserts it.
class BlockWriter {
 public:
  explicit BlockWriter(Bytes& image, std::size_t position = kFceHeaderSize)
      : image_(image), position_(position) {}

  // The next size bytes, which the caller's counts keep inside the image; moves past them.
  std::uint8_t* take(std::size_t size) {
    assert(position_ <= image_.size() && size <= image_.size() - position_);
    std::uint8_t* const record = image_.data() + position_;
    position_ += size;
    return record;
  }
  void point(const Vec3f& p) {
    std::uint8_t* const record = take(static_cast<std::size_t>(kFceVertexSize));
    write_f32_le(record, p.x);
    write_f32_le(record + kFceWordSize, p.y);
    write_f32_le(record + 2 * kFceWordSize, p.z);
  }

 private:
  Bytes& image_;
  std::size_t position_;
};

void write_block_offsets(std::uint8_t* image, std::int64_t v, std::int64_t t) {
  const std::int64_t normal_block = kFceVertexSize * v;
  const std::int64_t triangle_block = normal_block + kFceNormalSize * v;
  const std::int64_t first_zero_block = triangle_block + kFceTriangleRecordSize * t;
  const std::int64_t second_zero_block = first_zero_block + kFceFirstZeroBlockVertexSize * v;
  const std::int64_t third_zero_block = second_zero_block + kFceSecondZeroBlockVertexSize * v;
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
  write_block_offsets(header, totals.vertex_total, totals.triangle_total);
  for (std::size_t i = 0; i < kFceFixedFloatPatterns.size(); ++i) {
    write_u32_le(header + kFceFixedFloatsOffset + kFceWordSize * i, kFceFixedFloatPatterns[i]);
  }
  write_u32_le(header + kFcePartCountOffset, kFcePartCount);
  write_part_tables(header, parts);
  write_u32_le(header + kFceSecondOneWordOffset, 1);
  write_part_names(header, parts);
}

// One bounds check for the whole record; its fourteen words then go one after the other.
void write_triangle(BlockWriter& out, const FceTriangle& triangle) {
  std::uint8_t* word = out.take(static_cast<std::size_t>(kFceTriangleRecordSize));
  const auto put = [&word](std::uint32_t value) {
    write_u32_le(word, value);
    word += kFceWordSize;
  };
  put(0);
  for (const std::int32_t index : triangle.indices) put(static_cast<std::uint32_t>(index));
  for (int i = 0; i < kFceTriangleFillWordCount; ++i) put(kFceTriangleFillWord);
  put(triangle.flags);
  for (const float u : triangle.u) put(std::bit_cast<std::uint32_t>(u));
  for (const float v : triangle.v) put(std::bit_cast<std::uint32_t>(v));
}

// Vertices, normals and triangles, each block part by part; the three zero blocks after them
// keep the zeros the image was created with.
void write_data_blocks(Bytes& image, const FceParts& parts) {
  BlockWriter out(image);
  for (const FcePart& part : parts) {
    for (const Vec3f& vertex : part.vertices) out.point(vertex);
  }
  for (const FcePart& part : parts) {
    for (const Vec3f& normal : part.normals) out.point(normal);
  }
  for (const FcePart& part : parts) {
    for (const FceTriangle& triangle : part.triangles) write_triangle(out, triangle);
  }
}

// The image of S bytes for totals V and T, every byte zero.
Bytes zero_image(FceTotals totals) {
  // Totals come from counts that are never negative; a negative one would shrink the image
  // below its header.
  assert(totals.vertex_total >= 0 && totals.triangle_total >= 0);
  const std::int64_t v = totals.vertex_total;
  const std::int64_t t = totals.triangle_total;
  constexpr std::int64_t kBytesPerVertex =
      kFceVertexSize + kFceNormalSize + kFceFirstZeroBlockVertexSize +
      kFceSecondZeroBlockVertexSize + kFceThirdZeroBlockVertexSize;
  static_assert(kBytesPerVertex == 80);
  const std::int64_t size =
      static_cast<std::int64_t>(kFceHeaderSize) + kBytesPerVertex * v + kFceTriangleRecordSize * t;
  assert(static_cast<std::uint64_t>(size) <= std::numeric_limits<std::size_t>::max());
  return Bytes(static_cast<std::size_t>(size), 0);
}

// Writes each triangle of a part into the triangle block as it is made, and keeps its
// vertices in a scratch array, where the wheels are centred before they are written.
class PartImageWriter final : public FcePartSink {
 public:
  PartImageWriter(Bytes& image, std::size_t triangle_position, std::vector<Vec3f>& vertices)
      : triangles_(image, triangle_position), vertices_(vertices) {}
  void vertex(const Vec3f& vertex) override { vertices_.push_back(vertex); }
  void triangle(const FceTriangle& triangle) override { write_triangle(triangles_, triangle); }

 private:
  BlockWriter triangles_;
  std::vector<Vec3f>& vertices_;
};

}  // namespace

Bytes build_fce_image(const FceParts& parts, FceTotals totals) {
  Bytes image = zero_image(totals);
  write_header(image, parts, totals);
  write_data_blocks(image, parts);
  return image;
}

Bytes build_fce_image(std::span<const GeoPart> geo_parts, std::int32_t atlas_height) {
  FceParts parts;
  std::size_t largest_part = 0;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    parts[k] = describe_fce_part(k, geo_parts);
    largest_part = std::max(largest_part, static_cast<std::size_t>(parts[k].vertex_count));
  }
  const FceTotals totals = assign_first_indices(parts);
  Bytes image = zero_image(totals);

  const auto vertex_total = static_cast<std::size_t>(totals.vertex_total);
  const std::size_t triangle_block =
      kFceHeaderSize + static_cast<std::size_t>(kFceVertexSize + kFceNormalSize) * vertex_total;
  std::vector<Vec3f> vertices;
  vertices.reserve(largest_part);
  float lowering = 0.0f;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    FcePart& part = parts[k];
    vertices.clear();
    PartImageWriter writer(image,
                           triangle_block + static_cast<std::size_t>(kFceTriangleRecordSize) *
                                                static_cast<std::size_t>(part.first_triangle),
                           vertices);
    assemble_fce_part(k, geo_parts, atlas_height, writer);
    assert(vertices.size() == static_cast<std::size_t>(part.vertex_count));
    if (is_wheel_part(k)) {
      const float extent = centre_part_in_y(vertices, part.position);
      if (k == kLoweringWheelPart) lowering = extent;  // the whole extent, not its half
    }
    BlockWriter out(image, kFceHeaderSize + static_cast<std::size_t>(kFceVertexSize) *
                                                static_cast<std::size_t>(part.first_vertex));
    for (const Vec3f& vertex : vertices) out.point(vertex);
  }
  lower_parts(parts, lowering);
  // The normal block and the three zero blocks keep the zeros the image was created with.
  write_header(image, parts, totals);
  return image;
}

}  // namespace tromvex
