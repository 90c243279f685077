// Tests of the FCE file image: header fields at their offsets and the data blocks, in the
// plain whole-table writer of tests/support, and the program's image against it.
#include "mesh/fce_image.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "mesh/geo.hpp"
#include "support/car_builder.hpp"
#include "support/reference_fce.hpp"
#include "texture/atlas.hpp"
#include "texture/shpi.hpp"
#include "tools/sample_car.hpp"

namespace tromvex {
namespace {

const std::array<const char*, kFcePartCount> kNames{"High Body",
                                                    "High right front Wheel",
                                                    "High left front Wheel",
                                                    "High right rear Wheel",
                                                    "High left rear Wheel",
                                                    "Medium Body",
                                                    "Medium right front Wheel",
                                                    "Medium left front Wheel",
                                                    "Medium right rear Wheel",
                                                    "Medium left rear Wheel",
                                                    "Small Body",
                                                    "Tiny Body"};

// The first GEO part each FCE part gathers, whose position it takes.
constexpr std::array<std::size_t, kFcePartCount> kFirstGeoPart{0,  12, 14, 16, 18, 0,
                                                               12, 14, 16, 18, 20, 23};

// 26 GEO parts without vertices or polygons, GEO part g at position (256 g, -256 g, 128 + 256 g):
// an FCE part that gathers from g on is at (g, -g, 0.5 + g).
std::vector<GeoPart> empty_geo_parts() {
  std::vector<GeoPart> geo(kGeoPartCount);
  for (std::size_t g = 0; g < geo.size(); ++g) {
    const auto f = static_cast<float>(g);
    geo[g].position = {256.0f * f, -256.0f * f, 128.0f + 256.0f * f};
  }
  return geo;
}

// Twelve named parts without vertices or triangles, part i at position (i, -i, 0.5 + i).
FceParts named_parts() {
  FceParts parts;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::strcpy(parts[i].name.data(), kNames[i]);
    const auto f = static_cast<float>(i);
    parts[i].position = {f, -f, 0.5f + f};
  }
  return parts;
}

std::uint32_t word_at(const Bytes& image, std::size_t offset) {
  return read_u32_le(image.data() + offset);
}
std::uint32_t bits(float value) { return std::bit_cast<std::uint32_t>(value); }

void expect_zero(const Bytes& image, std::size_t from, std::size_t to_inclusive) {
  for (std::size_t i = from; i <= to_inclusive; ++i) ASSERT_EQ(image[i], 0) << "byte " << i;
}

FceTriangle triangle(std::int32_t a, std::int32_t b, std::int32_t c, std::uint32_t flags,
                     float u0) {
  return {{a, b, c}, flags, {u0, u0 + 0.25f, u0 + 0.5f}, {-u0, 1.0f, 2.0f}};
}

// The 56-byte record of t at offset, field by field.
void expect_triangle_record(const Bytes& image, std::size_t offset, const FceTriangle& t) {
  EXPECT_EQ(word_at(image, offset), 0u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(word_at(image, offset + 4 + 4 * i), static_cast<std::uint32_t>(t.indices[i]));
    EXPECT_EQ(word_at(image, offset + 16 + 4 * i), 0xFF00FF00u);
    EXPECT_EQ(word_at(image, offset + 32 + 4 * i), bits(t.u[i]));
    EXPECT_EQ(word_at(image, offset + 44 + 4 * i), bits(t.v[i]));
  }
  EXPECT_EQ(word_at(image, offset + 28), t.flags);
}

TEST(BuildFceImage, EmptyCarIsTheBareHeaderWithItsFixedFields) {
  const Bytes image = build_fce_image(empty_geo_parts(), 0);
  ASSERT_EQ(image.size(), 7940u);
  expect_zero(image, 0, 11);  // bytes 0-3 and both totals
  EXPECT_EQ(word_at(image, 12), 1u);
  expect_zero(image, 16, 39);  // the six block offsets
  EXPECT_EQ(word_at(image, 40), 0x3F977507u);
  EXPECT_EQ(word_at(image, 44), 0x3F2B39A5u);
  EXPECT_EQ(word_at(image, 48), 0x401A0324u);
  expect_zero(image, 52, 247);
  EXPECT_EQ(word_at(image, 248), 12u);
  for (std::size_t i = 0; i < kFcePartCount; ++i) {
    const auto f = static_cast<float>(kFirstGeoPart[i]);
    EXPECT_EQ(word_at(image, 252 + 12 * i), bits(f));
    EXPECT_EQ(word_at(image, 256 + 12 * i), bits(-f));
    EXPECT_EQ(word_at(image, 260 + 12 * i), bits(0.5f + f));
  }
  expect_zero(image, 252 + 12 * 12, 2043);  // unused position slots, four count tables
  EXPECT_EQ(word_at(image, 2044), 1u);
  expect_zero(image, 2048, 3587);
  for (std::size_t i = 0; i < kFcePartCount; ++i) {
    const std::size_t slot = 3588 + 64 * i;
    const std::size_t length = std::strlen(kNames[i]);
    EXPECT_EQ(std::string(image.begin() + static_cast<std::ptrdiff_t>(slot),
                          image.begin() + static_cast<std::ptrdiff_t>(slot + length)),
              kNames[i]);
    expect_zero(image, slot + length, slot + 63);
  }
  expect_zero(image, 3588 + 64 * 12, 7939);
}

TEST(BuildFceImage, NameSlotHoldsTheNameWithoutTerminatorThenZeros) {
  const Bytes image = build_fce_image(empty_geo_parts(), 0);
  const std::string high_body = "High Body";
  for (std::size_t i = 0; i < 64; ++i) {
    const std::uint8_t expected = i < 9 ? static_cast<std::uint8_t>(high_body[i]) : 0;
    EXPECT_EQ(image[3588 + i], expected) << i;
  }
}

TEST(ReferenceFceImage, OnePartWithFourVerticesAndTwoTriangles) {
  FceParts parts = named_parts();
  FcePart& body = parts[0];
  body.vertex_count = 4;
  body.triangle_count = 2;
  body.vertices = {{1.0f, 2.0f, 3.0f}, {4.0f, 5.0f, 6.0f}, {7.0f, 8.0f, 9.0f}, {-1.0f, 0.0f, 3.5f}};
  // Normals are all zero in practice; distinct ones show where the block lands.
  body.normals = {{0.5f, 0.0f, 0.0f}, {0.0f, 0.5f, 0.0f}, {0.0f, 0.0f, 0.5f}, {0.25f, 1.0f, 2.0f}};
  body.triangles = {triangle(0, 3, 2, 1, 0.125f), triangle(2, 1, 0, 5, 0.75f)};
  const Bytes image = test::reference_fce_image(parts, {4, 2});

  ASSERT_EQ(image.size(), 8372u);  // 7940 + 80 * 4 + 56 * 2
  EXPECT_EQ(word_at(image, 4), 2u);
  EXPECT_EQ(word_at(image, 8), 4u);
  const std::array<std::uint32_t, 6> block_offsets{0, 48, 96, 208, 336, 384};
  for (std::size_t i = 0; i < block_offsets.size(); ++i) {
    EXPECT_EQ(word_at(image, 16 + 4 * i), block_offsets[i]) << i;
  }
  EXPECT_EQ(word_at(image, 1276), 4u);  // vertex count of part 0
  EXPECT_EQ(word_at(image, 1788), 2u);  // triangle count of part 0
  for (std::size_t j = 0; j < 4; ++j) {
    EXPECT_EQ(word_at(image, 7940 + 12 * j), bits(body.vertices[j].x));
    EXPECT_EQ(word_at(image, 7944 + 12 * j), bits(body.vertices[j].y));
    EXPECT_EQ(word_at(image, 7948 + 12 * j), bits(body.vertices[j].z));
    EXPECT_EQ(word_at(image, 7988 + 12 * j), bits(body.normals[j].x));
    EXPECT_EQ(word_at(image, 7992 + 12 * j), bits(body.normals[j].y));
    EXPECT_EQ(word_at(image, 7996 + 12 * j), bits(body.normals[j].z));
  }
  expect_triangle_record(image, 8036, body.triangles[0]);
  expect_triangle_record(image, 8092, body.triangles[1]);  // ends at 8147
  expect_zero(image, 8148, 8371);
}

TEST(ReferenceFceImage, LaterPartsLandAtTheirFirstIndices) {
  FceParts parts = named_parts();
  parts[0].vertex_count = 3;
  parts[0].vertices = {{1.0f, 1.0f, 1.0f}, {2.0f, 2.0f, 2.0f}, {3.0f, 3.0f, 3.0f}};
  parts[0].normals.resize(3);
  parts[0].triangle_count = 2;
  parts[0].triangles = {triangle(0, 1, 2, 1, 0.0f), triangle(2, 1, 0, 1, 0.0f)};
  // Part 1 is empty; part 2 follows with first vertex 3 and first triangle 2.
  parts[1].first_vertex = 3;
  parts[1].first_triangle = 2;
  FcePart& wheel = parts[2];
  wheel.first_vertex = 3;
  wheel.first_triangle = 2;
  wheel.vertex_count = 2;
  wheel.vertices = {{-5.0f, 6.0f, 7.0f}, {8.0f, -9.0f, 10.0f}};
  wheel.normals.resize(2);
  wheel.triangle_count = 2;
  wheel.triangles = {triangle(1, 0, 1, 5, 0.375f), triangle(0, 1, 0, 1, 0.625f)};
  for (std::size_t i = 3; i < parts.size(); ++i) {
    parts[i].first_vertex = 5;
    parts[i].first_triangle = 4;
  }
  const std::int32_t v = 5;
  const std::int32_t t = 4;
  const Bytes image = test::reference_fce_image(parts, {v, t});
  ASSERT_EQ(image.size(), static_cast<std::size_t>(7940 + 80 * v + 56 * t));

  EXPECT_EQ(word_at(image, 1020 + 4 * 2), 3u);  // first vertex of part 2
  EXPECT_EQ(word_at(image, 1276 + 4 * 2), 2u);  // its vertex count
  EXPECT_EQ(word_at(image, 1532 + 4 * 2), 2u);  // its first triangle
  EXPECT_EQ(word_at(image, 1788 + 4 * 2), 2u);  // its triangle count
  EXPECT_EQ(word_at(image, 1020 + 4 * 11), 5u);
  for (std::size_t j = 0; j < 2; ++j) {
    const std::size_t vertex_at = 7940 + 12 * (3 + j);
    EXPECT_EQ(word_at(image, vertex_at), bits(wheel.vertices[j].x));
    EXPECT_EQ(word_at(image, vertex_at + 4), bits(wheel.vertices[j].y));
    EXPECT_EQ(word_at(image, vertex_at + 8), bits(wheel.vertices[j].z));
    // Indices are the part's own, with no first vertex added.
    expect_triangle_record(image, 7940 + 24 * 5 + 56 * (2 + j), wheel.triangles[j]);
  }
  // Every triangle record carries the three fill words, whatever its triangle.
  for (std::size_t r = 0; r < 4; ++r) {
    const std::size_t record = 7940 + 24 * 5 + 56 * r;
    EXPECT_EQ(word_at(image, record), 0u);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(word_at(image, record + 16 + 4 * i), 0xFF00FF00u);
    }
  }
  expect_zero(image, 7940 + 24 * 5 + 56 * 4, image.size() - 1);
}

// The GEO parts and atlas height of a car's files, as the conversion has them.
struct ReadCar {
  Bytes archive;
  std::vector<TextureRecord> textures;
  std::vector<GeoPart> geo_parts;
  std::int32_t atlas_height = 0;
};

ReadCar read_car(const Bytes& geo_image, Bytes archive) {
  ReadCar car;
  car.archive = std::move(archive);
  car.textures = read_shpi_directory(car.archive);
  MissingTextureSink ignored;
  car.geo_parts = read_geo_mesh(geo_image, car.textures, ignored);
  car.atlas_height = layout_texture_atlas(car.textures);
  return car;
}

TEST(BuildFceImage, EqualsTheWholeTableReferenceOnEveryCar) {
  const ReadCar sample = read_car(make_sample_geo(), make_sample_archive());
  const test::CarFiles small_files = test::build_small_car();
  const ReadCar small = read_car(small_files.geo_image, small_files.shpi_archive);
  EXPECT_EQ(build_fce_image(sample.geo_parts, sample.atlas_height),
            test::reference_fce_car(sample.geo_parts, sample.atlas_height));
  EXPECT_EQ(build_fce_image(small.geo_parts, small.atlas_height),
            test::reference_fce_car(small.geo_parts, small.atlas_height));
  EXPECT_EQ(build_fce_image(empty_geo_parts(), 0), test::reference_fce_car(empty_geo_parts(), 0));
}

}  // namespace
}  // namespace tromvex
