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
#include "pipeline/convert.hpp"
#include "support/fce_builder.hpp"
#include "support/rejection.hpp"
#include "tools/sample_car.hpp"

namespace tromvex {
namespace {

using test::FcePartSpec;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
// A normal no finished vertex gets: where it survives, the vertex kept its normal.
constexpr Vec3f kMarker{0.0f, 0.0f, 0.5f};

double dot(const Vec3f& a, const Vec3f& b) {
  return double{a.x} * b.x + double{a.y} * b.y + double{a.z} * b.z;
}
double length(const Vec3f& v) { return std::sqrt(dot(v, v)); }

Vec3f half_sizes_of(const Bytes& image) {
  const auto at = [&](std::size_t i) {
    return std::bit_cast<float>(read_u32_le(image.data() + kFceHalfSizesOffset + 4 * i));
  };
  return {at(0), at(1), at(2)};
}

void expect_near(const Vec3f& actual, const Vec3f& expected, const std::string& what) {
  EXPECT_NEAR(actual.x, expected.x, 1e-6) << what;
  EXPECT_NEAR(actual.y, expected.y, 1e-6) << what;
  EXPECT_NEAR(actual.z, expected.z, 1e-6) << what;
}

// Part 0: two triangles along the x axis, one of area 2 facing +y (v0 v1 v2) and one of area 1
// facing +z (v0 v3 v1); a zero-area triangle (v0 v1 v4); a vertex nothing uses (v5); a
// triangle with a NaN corner (v0 v6 v1); two triangles facing opposite ways over the same
// corners (v7 v8 v9). Part 1 repeats the +z triangle over copies of the same points.
std::vector<FcePartSpec> normals_car() {
  FcePartSpec first{"S high body",
                    {10.0f, 0.0f, 0.0f},
                    {{0, 0, 0},
                     {2, 0, 0},
                     {0, 0, 2},
                     {0, 1, 0},
                     {1, 0, 0},
                     {5, 5, 5},
                     {kNaN, 0, 0},
                     {0, 0, 0},
                     {1, 0, 0},
                     {0, 1, 0}},
                    {{0, 1, 2}, {0, 3, 1}, {0, 1, 4}, {0, 6, 1}, {7, 8, 9}, {7, 9, 8}},
                    std::vector<Vec3f>(10, kMarker)};
  FcePartSpec second{"wheel",
                     {10.0f, 0.0f, 0.0f},
                     {{0, 0, 0}, {2, 0, 0}, {0, 1, 0}},
                     {{0, 2, 1}},
                     std::vector<Vec3f>(3, kMarker)};
  return {first, second};
}

TEST(FceFinish, GivesEachVertexTheAreaWeightedOutwardNormalOfItsOwnPartsTriangles) {
  const FinishedFce finished = finish_fce_image(test::fce_image_of(normals_car()));
  const std::vector<Vec3f> normals = read_fce_image(finished.image).normals;
  ASSERT_EQ(normals.size(), 13u);
  // The +y triangle weighs twice the +z one: (0, 4, 0) + (0, 0, 2), made unit.
  const Vec3f kBoth{0.0f, 0.894427191f, 0.447213595f};
  const struct {
    std::size_t vertex;
    Vec3f normal;
    const char* why;
  } cases[] = {
      {0, kBoth, "both triangles, weighted by area; zero-area and NaN triangles add nothing"},
      {1, kBoth, "both triangles"},
      {2, {0, 1, 0}, "the +y triangle alone"},
      {3, {0, 0, 1}, "the +z triangle alone"},
      {4, kMarker, "only a zero-area triangle uses it"},
      {5, kMarker, "no triangle uses it"},
      {6, kMarker, "its coordinate is NaN"},
      {7, kMarker, "opposite triangles cancel"},
      {8, kMarker, "opposite triangles cancel"},
      {9, kMarker, "opposite triangles cancel"},
      {10, {0, 0, 1}, "part 1 does not share part 0's +y triangle at the same point"},
      {11, {0, 0, 1}, "part 1"},
      {12, {0, 0, 1}, "part 1"},
  };
  for (const auto& c : cases) expect_near(normals[c.vertex], c.normal, c.why);
  EXPECT_EQ(finished.part_count, 2u);
  EXPECT_EQ(finished.normal_count, 7u);

  // A third part over part 1's vertices and triangle (no car's ranges overlap): the shared
  // vertices sum the triangle twice, keep its direction and are counted once.
  Bytes overlapping = test::fce_image_of(normals_car());
  write_u32_le(overlapping.data() + kFcePartCountOffset, 3);
  for (const std::size_t table : {kFceFirstVerticesOffset, kFceVertexCountsOffset,
                                  kFceFirstTrianglesOffset, kFceTriangleCountsOffset}) {
    write_u32_le(overlapping.data() + table + 8, read_u32_le(overlapping.data() + table + 4));
  }
  const FinishedFce three = finish_fce_image(overlapping);
  EXPECT_EQ(read_fce_image(three.image).normals, normals);
  EXPECT_EQ(three.normal_count, 7u);
}

// A cube's corner sums the three faces it lies on: twice a face where the face's split runs
// through it, once elsewhere, so its normal lies within 20 degrees of the corner's diagonal
// (exactly along it at corners 0 and 7, where every face's split runs).
TEST(FceFinish, ClosedBoxGetsUnitNormalsAlongItsCornersDiagonals) {
  const Vec3f centre{0.5f, 0.5f, 0.5f};
  const FcePartSpec box = test::box_part("box", {3.0f, 1.0f, -2.0f}, centre, {1.0f, 1.0f, 1.0f});
  const double cos_20 = std::cos(20.0 * std::acos(-1.0) / 180.0);
  for (const bool inward : {false, true}) {
    SCOPED_TRACE(inward ? "reversed" : "as wound");
    const std::vector<FcePartSpec> car{inward ? test::reversed(box) : box};
    const FinishedFce finished = finish_fce_image(test::fce_image_of(car));
    const std::vector<Vec3f> normals = read_fce_image(finished.image).normals;
    ASSERT_EQ(normals.size(), 8u);
    const float sign = inward ? -1.0f : 1.0f;
    for (std::size_t i = 0; i < 8; ++i) {
      const Vec3f& corner = box.vertices[i];
      const Vec3f out{sign * (corner.x - centre.x), sign * (corner.y - centre.y),
                      sign * (corner.z - centre.z)};
      EXPECT_NEAR(length(normals[i]), 1.0, 1e-6) << "corner " << i;
      EXPECT_GT(dot(normals[i], out) / length(out), cos_20) << "corner " << i;
    }
    const float r3 = 1.0f / std::sqrt(3.0f);
    const float r6 = 1.0f / std::sqrt(6.0f);
    expect_near(normals[0], {-sign * r3, -sign * r3, -sign * r3}, "corner 0");
    // Corner 3 (+x +y -z) lies on the split of the -z face only.
    expect_near(normals[3], {sign * r6, sign * r6, -2 * sign * r6}, "corner 3");
  }
}

// Parts 0 to 4 off the origin; vertices in file units before their part's position is added.
std::vector<FcePartSpec> box_measure_car() {
  return {
      {"S high body",
       {0, 0.5f, 0.25f},
       {{-1, -0.25f, 2}, {0.75f, 0.5f, -2.5f}, {kNaN, kInfinity, -kInfinity}},
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
  std::vector<FcePartSpec> no_vertices = box_measure_car();
  for (std::size_t p = 0; p < 5; ++p) no_vertices[p].vertices.clear();
  const struct {
    const char* what;
    std::vector<FcePartSpec> parts;
    Vec3f half_sizes;
  } cases[] = {
      // x: part 4's -0.5 - 1; -y: part 3's -0.25 - 0.5; z: part 0's 2 + 0.25 and -2.5 + 0.25.
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
  std::vector<FcePartSpec> car = box_measure_car();
  car[0].vertices.pop_back();  // its NaN vertex
  car[0].triangles = {{0, 1, 0}};
  car[1] = test::box_part("wheel", {1, 0, 1}, {}, {0.5f, 0.5f, 0.5f});
  Bytes image = test::fce_image_of(car);
  const std::size_t v = read_u32_le(image.data() + kFceVertexTotalOffset);
  const std::size_t t = read_u32_le(image.data() + kFceTriangleTotalOffset);
  const std::size_t normal_block = kFceHeaderSize + kFceVertexSize * v;
  const std::size_t triangle_block = normal_block + kFceNormalSize * v;
  for (const std::size_t at : {0u, 12u, 52u, 100u, 2044u, 3000u, 7900u})
    write_u32_le(image.data() + at, 0xC0FFEE00 + static_cast<std::uint32_t>(at));
  for (std::size_t k = 0; k < t; ++k) {
    write_u32_le(image.data() + triangle_block + kFceTriangleRecordSize * k, 0x1234);
    write_u32_le(image.data() + triangle_block + kFceTriangleRecordSize * k + 16, 0xDEADBEEF);
  }
  for (std::size_t at = triangle_block + kFceTriangleRecordSize * t; at < image.size(); ++at)
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
  EXPECT_GT(changed_normal_bytes, 8 * 8u);  // the wheel's eight corners
  EXPECT_NE(half_sizes_of(finished.image), half_sizes_of(image));
}

// Writing normals over another block would change it: such a file is refused, while a normal
// block that ends where the next begins is finished.
TEST(FceFinish, RefusesANormalBlockThatOverlapsAnotherBlock) {
  const Bytes image =
      test::fce_image_of(std::vector<FcePartSpec>{test::box_part("box", {}, {}, {1, 1, 1})});
  const std::uint32_t vertex_block_bytes = 12 * 8;
  const struct {
    std::size_t field;
    std::uint32_t offset;
    const char* message;
  } cases[] = {
      {kFceNormalBlockFieldOffset, vertex_block_bytes - 4, "overlaps its vertex block"},
      {kFceNormalBlockFieldOffset, read_u32_le(image.data() + kFceTriangleBlockFieldOffset),
       "overlaps its triangle block"},
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

TEST(FceFinish, FinishedSampleCarHasAUnitNormalAtEveryVertexATriangleUses) {
  class Quiet : public ConversionEvents {
  } events;
  const Bytes image = convert_car(make_sample_geo(), make_sample_qfs(), events).fce_image;
  const FinishedFce finished = finish_fce_image(image);
  const FceCar car = read_fce_image(finished.image);
  // No vertex of the sample car lies on zero-area triangles alone.
  std::vector<bool> on_a_face(car.vertices.size());
  for (const FceCarPart& part : car.parts) {
    for (std::int32_t t = 0; t < part.triangle_count; ++t) {
      for (const std::int32_t corner :
           car.triangles[static_cast<std::size_t>(part.first_triangle + t)].indices)
        on_a_face[static_cast<std::size_t>(part.first_vertex + corner)] = true;
    }
  }
  std::size_t unit = 0;
  for (std::size_t v = 0; v < car.vertices.size(); ++v) {
    if (on_a_face[v]) {
      EXPECT_NEAR(length(car.normals[v]), 1.0, 1e-6) << "vertex " << v;
      ++unit;
    } else {
      EXPECT_EQ(car.normals[v], Vec3f{}) << "vertex " << v;
    }
  }
  EXPECT_EQ(finished.normal_count, unit);
  EXPECT_EQ(finished.part_count, 12u);
  // Finishing again changes nothing: the normals come from the vertices alone.
  EXPECT_EQ(finish_fce_image(finished.image).image, finished.image);
}

}  // namespace
}  // namespace tromvex
