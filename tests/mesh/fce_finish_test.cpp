// Tests of the finishing step: normals worked out by hand, half sizes of a car whose parts sit
// off the origin, and every byte it must not change.
#include "mesh/fce_finish.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "mesh/fce_layout.hpp"
#include "mesh/fce_reader.hpp"
#include "support/fce_builder.hpp"
#include "support/rejection.hpp"

namespace tromvex {
namespace {

using test::TestFcePart;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
// A normal no finished vertex gets: where it survives, the vertex kept its normal.
constexpr Vec3f kMarker{0.0f, 0.0f, 0.5f};

Vec3f half_sizes_of(const Bytes& image) {
  const auto at = [&](std::size_t i) {
    return std::bit_cast<float>(read_u32_le(image.data() + kFceHalfSizesOffset + 4 * i));
  };
  return {at(0), at(1), at(2)};
}

double distance(const Vec3f& a, const Vec3f& b) {
  return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

// Part 0: two triangles along the x axis, one of area 2 facing +y (v0 v1 v2) and one of area 1
// facing +z (v0 v3 v1); a zero-area triangle (v0 v1 v4); a vertex nothing uses (v5); a
// triangle with a NaN corner (v0 v6 v1); two triangles facing opposite ways over the same
// corners (v7 v8 v9). Part 1 repeats the +z triangle over copies of the same points.
std::vector<TestFcePart> normals_car() {
  const std::vector<Vec3f> points{{0, 0, 0}, {2, 0, 0},    {0, 0, 2}, {0, 1, 0}, {1, 0, 0},
                                  {5, 5, 5}, {kNaN, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  return {{"S high body",
           {10, 0, 0},
           points,
           {{0, 1, 2}, {0, 3, 1}, {0, 1, 4}, {0, 6, 1}, {7, 8, 9}, {7, 9, 8}},
           std::vector<Vec3f>(10, kMarker)},
          {"wheel",
           {10, 0, 0},
           {{0, 0, 0}, {2, 0, 0}, {0, 1, 0}},
           {{0, 2, 1}},
           std::vector<Vec3f>(3, kMarker)}};
}

TEST(FceFinish, GivesEachVertexTheAreaWeightedOutwardNormalOfItsOwnPartsTriangles) {
  // v0 and v1: the +y triangle weighs twice the +z one, (0, 4, 0) + (0, 0, 2) made unit; v4 to
  // v9 keep theirs (zero area, unused, NaN, cancelled); part 1 does not share part 0's +y.
  const Vec3f both{0.0f, 0.894427191f, 0.447213595f};
  const Vec3f up{0, 1, 0}, out{0, 0, 1}, kept = kMarker;
  const std::vector<Vec3f> expected{both, both, up,   out, kept, kept, kept,
                                    kept, kept, kept, out, out,  out};
  // A third part over part 1's vertices and triangle (no car's ranges overlap): the shared
  // vertices sum the triangle twice, keep its direction and are counted once.
  Bytes overlapping = test::fce_image_of(normals_car());
  write_u32_le(overlapping.data() + kFcePartCountOffset, 3);
  for (const std::size_t table : {kFceFirstVerticesOffset, kFceVertexCountsOffset,
                                  kFceFirstTrianglesOffset, kFceTriangleCountsOffset}) {
    write_u32_le(overlapping.data() + table + 8, read_u32_le(overlapping.data() + table + 4));
  }
  for (const auto& [image, parts] :
       {std::pair{test::fce_image_of(normals_car()), 2u}, std::pair{overlapping, 3u}}) {
    const FinishedFce finished = finish_fce_image(image);
    EXPECT_EQ(finished.part_count, parts);
    const std::vector<Vec3f> normals = read_fce_image(finished.image).normals;
    ASSERT_EQ(normals.size(), expected.size());
    for (std::size_t v = 0; v < normals.size(); ++v)
      EXPECT_LT(distance(normals[v], expected[v]), 1e-6) << "vertex " << v;
    EXPECT_EQ(finished.normal_count, 7u);
  }
}

// Parts 0 to 4 off the origin; vertices in file units before their part's position is added.
std::vector<TestFcePart> box_measure_car() {
  return {
      {"S high body",
       {0, 0.5f, 0.25f},
       {{-1, -0.25f, 1.5f}, {0.75f, 0.5f, -2.5f}, {kNaN, kInfinity, -kInfinity}},
       {},
       {}},
      {"wheel", {0.875f, -0.25f, 1.5f}, {{0.25f, -0.25f, 0.5f}, {-0.25f, 0.25f, -0.5f}}, {}, {}},
      {"no vertices", {100, -100, 100}, {}, {}, {}},
      {"wheel", {0, -0.5f, 0}, {{0, -0.25f, 0}}, {}, {}},
      {"wheel", {-1, 0, 0}, {{-0.5f, 0, 0}}, {}, {}},
      {"H medium body", {0, 0, 0}, {{10, -10, 10}}, {}, {}},
  };
}

TEST(FceFinish, HalfSizesMeasureParts0To4MovedByTheirPositions) {
  const Vec3f fixed{std::bit_cast<float>(kFceFixedHalfSizePatterns[0]),
                    std::bit_cast<float>(kFceFixedHalfSizePatterns[1]),
                    std::bit_cast<float>(kFceFixedHalfSizePatterns[2])};
  std::vector<TestFcePart> no_vertices = box_measure_car();
  for (std::size_t p = 0; p < 5; ++p) no_vertices[p].vertices.clear();
  const struct {
    const char* what;
    std::vector<TestFcePart> parts;
    Vec3f half_sizes;
  } cases[] = {
      // x: part 4's -0.5 - 1; -y: part 3's -0.25 - 0.5; z: part 0's -2.5 + 0.25.
      {"six parts", box_measure_car(), {1.5f, 0.75f, 2.25f}},
      // x: part 1's 0.25 + 0.875; -y: part 1's -0.25 - 0.25.
      {"two parts", {box_measure_car()[0], box_measure_car()[1]}, {1.125f, 0.5f, 2.25f}},
      {"above the origin", {{"body", {0, 2, 0}, {{1, -1, 1}}, {}, {}}}, {1, -1, 1}},
      {"no vertex in parts 0 to 4", no_vertices, fixed},
      {"no part", {}, fixed},
  };
  for (const auto& c : cases) {
    const FinishedFce finished = finish_fce_image(test::fce_image_of(c.parts));
    EXPECT_EQ(half_sizes_of(finished.image), c.half_sizes) << c.what;
    EXPECT_EQ(finished.half_sizes, c.half_sizes) << c.what;
  }
}

// A car as the game's own files fill it: every field tromvex does not know holds bytes of
// its own, and more bytes follow the last block.
TEST(FceFinish, ChangesNothingButTheNormalBlockAndTheHalfSizes) {
  Bytes image = test::fce_image_of(
      std::vector<TestFcePart>{test::box_part("box", {1, 0, 1}, {}, {0.5f, 0.5f, 0.5f})});
  const std::size_t normal_block = kFceHeaderSize + kFceVertexSize * 8;
  const std::size_t triangle_block = normal_block + kFceNormalSize * 8;
  for (const std::size_t at : {0u, 12u, 52u, 100u, 2044u, 3000u, 7900u})
    write_u32_le(image.data() + at, 0xC0FFEE00 + static_cast<std::uint32_t>(at));
  const std::size_t zero_blocks = triangle_block + kFceTriangleRecordSize * 12;
  for (std::size_t at = triangle_block; at < zero_blocks; at += kFceTriangleRecordSize) {
    write_u32_le(image.data() + at, 0x1234);  // the first word and a fill word of each triangle
    write_u32_le(image.data() + at + 16, 0xDEADBEEF);
  }
  for (std::size_t at = zero_blocks; at < image.size(); ++at)
    image[at] = static_cast<std::uint8_t>(at * 7);
  image.insert(image.end(), {1, 2, 3, 4, 5});

  const FinishedFce finished = finish_fce_image(image);
  ASSERT_EQ(finished.image.size(), image.size());
  std::size_t changed_normal_bytes = 0;
  for (std::size_t at = 0; at < image.size(); ++at) {
    if (at >= normal_block && at < triangle_block) {
      changed_normal_bytes += image[at] != finished.image[at];
    } else if (at < kFceHalfSizesOffset || at >= kFceHalfSizesOffset + 12) {
      ASSERT_EQ(finished.image[at], image[at]) << "byte " << at;
    }
  }
  EXPECT_GT(changed_normal_bytes, 8 * 8u);  // the box's eight corners
  EXPECT_NE(half_sizes_of(finished.image), half_sizes_of(image));
}

// Writing normals over another block would change it: such a file is refused, while a normal
// block that ends where the next begins is finished.
TEST(FceFinish, RefusesANormalBlockThatOverlapsAnotherBlock) {
  const Bytes image =
      test::fce_image_of(std::vector<TestFcePart>{test::box_part("box", {}, {}, {1, 1, 1})});
  const std::uint32_t vertex_block_bytes = 12 * 8;
  // Past where a block of one triangle a vertex would end.
  const std::uint32_t in_the_triangles =
      read_u32_le(image.data() + kFceTriangleBlockFieldOffset) + 56 * 8;
  const struct {
    std::size_t field;
    std::uint32_t offset;
    const char* message;
  } cases[] = {
      {kFceNormalBlockFieldOffset, vertex_block_bytes - 4, "overlaps its vertex block"},
      {kFceNormalBlockFieldOffset, in_the_triangles, "overlaps its triangle block"},
      {kFceFirstZeroBlockFieldOffset, vertex_block_bytes + 8, "overlaps its fourth block"},
      {kFceThirdZeroBlockFieldOffset, vertex_block_bytes, "overlaps its sixth block"},
  };
  for (const auto& c : cases) {
    Bytes overlapping = image;
    write_u32_le(overlapping.data() + c.field, c.offset);
    EXPECT_THAT(test::rejection_of([&] { finish_fce_image(overlapping); }),
                ::testing::Optional("the normal block of the FCE file " + std::string(c.message)));
  }
  EXPECT_NO_THROW(finish_fce_image(image));
}

}  // namespace
}  // namespace tromvex
