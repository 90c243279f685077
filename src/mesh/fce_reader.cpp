// Reads an NFS3 FCE mesh file back into parts, vertices and triangles, for drawing it.
#include "mesh/fce_reader.hpp"

#include <bit>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "common/byte_reader.hpp"
#include "common/bytes.hpp"
#include "common/malformed_file.hpp"
#include "mesh/fce_layout.hpp"

namespace tromvex {
namespace {

std::string part_subject(std::size_t part) {
  return "part " + std::to_string(part) + " of the FCE file";
}

float f32_at(std::span<const std::uint8_t> image, std::size_t offset) {
  return std::bit_cast<float>(read_u32_le(image.data() + offset));
}

std::int32_t s32_at(std::span<const std::uint8_t> image, std::size_t offset) {
  return static_cast<std::int32_t>(read_u32_le(image.data() + offset));
}

std::int32_t non_negative_total(std::span<const std::uint8_t> image, std::size_t offset,
                                const char* what) {
  const std::int32_t total = s32_at(image, offset);
  if (total < 0) {
    throw MalformedFile("the FCE file has a negative " + std::string(what) + " total (" +
                        std::to_string(total) + ")");
  }
  return total;
}

// A 64-bit size as a size_t; one that does not fit becomes the largest, which no image reaches.
std::size_t saturated(std::uint64_t value) {
  if constexpr (sizeof(std::size_t) < sizeof(std::uint64_t)) {
    if (value > std::numeric_limits<std::size_t>::max())
      return std::numeric_limits<std::size_t>::max();
  }
  return static_cast<std::size_t>(value);
}

// The image bytes of the block of count records whose offset field the layout names; the block
// must lie wholly inside the image.
std::span<const std::uint8_t> block(std::span<const std::uint8_t> image, const FceBlock& layout,
                                    std::int32_t count) {
  const std::uint64_t start =
      kFceHeaderSize + std::uint64_t{read_u32_le(image.data() + layout.field_offset)};
  const std::uint64_t length = static_cast<std::uint64_t>(count) * layout.record_size;
  ByteReader reader(image, "the " + std::string(layout.name) + " block of the FCE file (" +
                               std::to_string(count) + " from byte " + std::to_string(start) + ")");
  reader.seek(saturated(start));
  return reader.take(saturated(length));
}

// The x, y, z floats of each 12-byte record of a vertex or normal block.
std::vector<Vec3f> read_points(std::span<const std::uint8_t> block) {
  std::vector<Vec3f> points(block.size() / kFceVertexSize);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const std::size_t at = kFceVertexSize * i;
    points[i] = {f32_at(block, at), f32_at(block, at + kFceWordSize),
                 f32_at(block, at + 2 * kFceWordSize)};
  }
  return points;
}

// Checks that first and count of one part select a range of a table of total entries.
void check_range(std::size_t part, std::int32_t first, std::int32_t count, std::int32_t total,
                 const char* what, const char* plural) {
  if (first < 0 || count < 0) {
    throw MalformedFile(part_subject(part) + " has a negative first " + what + " or " + what +
                        " count (" + std::to_string(first) + ", " + std::to_string(count) + ")");
  }
  if (count > total - first) {
    throw MalformedFile(part_subject(part) + " takes " + plural + " " + std::to_string(first) +
                        " to " + std::to_string(std::int64_t{first} + count - 1) +
                        ", but the file holds " + std::to_string(total));
  }
}

FceCarPart read_part(std::span<const std::uint8_t> image, std::size_t p, FceTotals totals) {
  FceCarPart part;
  const std::size_t position = kFcePositionsOffset + kFcePositionSlotSize * p;
  part.position = {f32_at(image, position), f32_at(image, position + kFceWordSize),
                   f32_at(image, position + 2 * kFceWordSize)};
  part.first_vertex = s32_at(image, kFceFirstVerticesOffset + kFceWordSize * p);
  part.vertex_count = s32_at(image, kFceVertexCountsOffset + kFceWordSize * p);
  part.first_triangle = s32_at(image, kFceFirstTrianglesOffset + kFceWordSize * p);
  part.triangle_count = s32_at(image, kFceTriangleCountsOffset + kFceWordSize * p);
  check_range(p, part.first_vertex, part.vertex_count, totals.vertex_total, "vertex", "vertices");
  check_range(p, part.first_triangle, part.triangle_count, totals.triangle_total, "triangle",
              "triangles");
  const std::uint8_t* name = image.data() + kFceNamesOffset + kFceNameSlotSize * p;
  for (std::size_t i = 0; i < kFceNameSlotSize && name[i] != 0; ++i)
    part.name += static_cast<char>(name[i]);
  return part;
}

FceTriangle read_triangle(const std::uint8_t* record) {
  FceTriangle triangle;
  for (std::size_t i = 0; i < 3; ++i) {
    triangle.indices[i] = static_cast<std::int32_t>(
        read_u32_le(record + kFceTriangleIndicesOffset + kFceWordSize * i));
    triangle.u[i] =
        std::bit_cast<float>(read_u32_le(record + kFceTriangleUOffset + kFceWordSize * i));
    triangle.v[i] =
        std::bit_cast<float>(read_u32_le(record + kFceTriangleVOffset + kFceWordSize * i));
  }
  triangle.flags = read_u32_le(record + kFceTriangleFlagsOffset);
  return triangle;
}

// Every triangle of a part must use vertices of that part only.
void check_triangle_indices(const FceCar& car, std::size_t p) {
  const FceCarPart& part = car.parts[p];
  for (std::int32_t j = 0; j < part.triangle_count; ++j) {
    const FceTriangle& triangle = car.triangles[static_cast<std::size_t>(part.first_triangle + j)];
    for (const std::int32_t index : triangle.indices) {
      if (index < 0 || index >= part.vertex_count) {
        throw MalformedFile("triangle " + std::to_string(j) + " of part " + std::to_string(p) +
                            " of the FCE file uses vertex " + std::to_string(index) +
                            ", but the part has " + std::to_string(part.vertex_count));
      }
    }
  }
}

// What the header declares, each block checked to lie inside the image.
struct FceLayout {
  FceTotals totals;
  std::int32_t part_count = 0;
  std::span<const std::uint8_t> vertex_block, triangle_block, normal_block;
};

// Reads the totals and the part count and places the blocks. A file whose header fails here
// has counts and offsets that cannot fit its length: it is plainly not an FCE file.
FceLayout read_layout(std::span<const std::uint8_t> image) {
  if (image.size() < kFceHeaderSize) {
    throw MalformedFile("the FCE file is " + std::to_string(image.size()) +
                        " bytes long, too short for its " + std::to_string(kFceHeaderSize) +
                        "-byte header");
  }
  FceLayout layout;
  layout.totals = {non_negative_total(image, kFceVertexTotalOffset, "vertex"),
                   non_negative_total(image, kFceTriangleTotalOffset, "triangle")};
  layout.part_count = s32_at(image, kFcePartCountOffset);
  if (layout.part_count < 0 || static_cast<std::size_t>(layout.part_count) > kFceSlotCount) {
    throw MalformedFile("the FCE file declares " + std::to_string(layout.part_count) +
                        " parts; its header holds 0 to " + std::to_string(kFceSlotCount));
  }
  // Every block the header declares lies inside the image, so a cut-off file is refused
  // and the tables below are no larger than the image.
  layout.vertex_block = block(image, kFceVertexBlock, layout.totals.vertex_total);
  layout.triangle_block = block(image, kFceTriangleBlock, layout.totals.triangle_total);
  layout.normal_block = block(image, kFceNormalBlock, layout.totals.vertex_total);
  for (const FceBlock& zero_block : kFceZeroBlocks)
    block(image, zero_block, layout.totals.vertex_total);
  return layout;
}

}  // namespace

FceCar read_fce_image(std::span<const std::uint8_t> image) {
  FceLayout layout;
  try {
    layout = read_layout(image);
  } catch (const MalformedFile& error) {
    throw not_of_kind("an FCE file", error.what());
  }
  FceCar car;
  for (std::size_t p = 0; p < static_cast<std::size_t>(layout.part_count); ++p) {
    car.parts.push_back(read_part(image, p, layout.totals));
  }
  static_assert(kFceNormalSize == kFceVertexSize);
  car.vertices = read_points(layout.vertex_block);
  car.normals = read_points(layout.normal_block);
  car.triangles.resize(static_cast<std::size_t>(layout.totals.triangle_total));
  for (std::size_t t = 0; t < car.triangles.size(); ++t) {
    car.triangles[t] = read_triangle(layout.triangle_block.data() + kFceTriangleRecordSize * t);
  }
  for (std::size_t p = 0; p < car.parts.size(); ++p) check_triangle_indices(car, p);
  return car;
}

}  // namespace tromvex
