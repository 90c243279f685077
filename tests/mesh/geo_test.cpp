// Tests of the GEO car mesh reader and the texture lookup by name.
#include "mesh/geo.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/malformed_file.hpp"
#include "support/rejection.hpp"
#include "tools/car_files.hpp"

namespace tromvex {
namespace {

using ::testing::Optional;
using ::testing::StartsWith;

struct WarningCounter final : MissingTextureSink {
  void missing_texture() override { ++count; }
  int count = 0;
};

// Reads an image with the given texture table, counting the missing-texture warnings.
struct ReadResult {
  std::vector<GeoPart> parts;
  int warnings = 0;
};

ReadResult read(const Bytes& image, const std::vector<TextureRecord>& textures = {}) {
  ReadResult result;
  WarningCounter counter;
  result.parts = read_geo_mesh(image, textures, counter);
  result.warnings = counter.count;
  return result;
}

std::vector<TextureRecord> records_named(std::initializer_list<const char*> names) {
  std::vector<TextureRecord> records;
  for (const char* name : names) {
    records.emplace_back();
    records.back().name = texture_name(name);
  }
  return records;
}

GeoFilePolygon polygon_named(const char* name) {
  GeoFilePolygon polygon;
  polygon.texture_name = texture_name(name);
  return polygon;
}

// Every part block of an image whose parts hold nothing is its 52-byte header.
constexpr std::size_t empty_part_offset(std::size_t part) { return 140 + part * 52; }

TEST(ReadGeoMesh, OddVertexCountCarriesOneVertexMore) {
  GeoFile geo;
  geo.parts[3].vertex_count = 5;
  geo.parts[3].vertices = {{1, 2, 3}, {-1, 32767, -32768}, {}, {}, {4, 5, 6}};
  geo.parts[3].padding = {7, -8, 9};
  geo.parts[3].polygons = {GeoFilePolygon{}};
  Bytes image = write_geo_file(geo);
  // Six vertices of 6 bytes follow the 52-byte part header: the polygon is 88 bytes in, and
  // part 4 follows its 12 bytes.
  const std::size_t part3 = empty_part_offset(3);
  write_u32_le(image.data() + part3 + 88, 0xCAFE0001u);
  write_s32_le(image.data() + part3 + 88 + 12 + 8, 256);  // position x of part 4

  const ReadResult result = read(image);
  const GeoPart& part = result.parts[3];
  EXPECT_EQ(part.vertex_count, 6);
  EXPECT_EQ(part.vertices, (std::vector<GeoVertex>{
                               {1, 2, 3}, {-1, 32767, -32768}, {}, {}, {4, 5, 6}, {7, -8, 9}}));
  ASSERT_EQ(part.polygons.size(), 1u);
  EXPECT_EQ(part.polygons[0].flags, 0xCAFE0001u);
  EXPECT_EQ(result.parts[4].position.x, 1.0f);
}

TEST(ReadGeoMesh, PartZeroWithoutVerticesGetsTenZeroVerticesAndConsumesNoVertexBytes) {
  Bytes image = write_geo_file({});
  write_s32_le(image.data() + empty_part_offset(1) + 8, 512);  // position x of part 1

  const ReadResult result = read(image);
  EXPECT_EQ(result.parts[0].vertex_count, 10);
  EXPECT_EQ(result.parts[0].vertices, std::vector<GeoVertex>(10));
  EXPECT_EQ(result.parts[1].position.x, 2.0f);
}

TEST(ReadGeoMesh, PartZeroShiftsItsFileVerticesAndIndicesByTen) {
  GeoFile geo;
  geo.parts[0].vertex_count = 3;
  geo.parts[0].vertices = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  geo.parts[0].padding = {4, 4, 4};
  geo.parts[0].polygons = {GeoFilePolygon{0, {2, 0, 1, 255}, {}}};
  geo.parts[1].vertex_count = 1;
  geo.parts[1].polygons = {GeoFilePolygon{0, {2, 0, 1, 255}, {}}};

  const ReadResult result = read(write_geo_file(geo));
  const GeoPart& part0 = result.parts[0];
  EXPECT_EQ(part0.vertex_count, 14);
  std::vector<GeoVertex> expected(10);
  expected.insert(expected.end(), {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
  EXPECT_EQ(part0.vertices, expected);
  EXPECT_EQ(part0.polygons.at(0).indices, (std::array<std::int32_t, 4>{12, 10, 11, 265}));
  // Index bytes past the part's vertices pass unchanged; only part 0 is shifted.
  EXPECT_EQ(result.parts[1].vertex_count, 2);
  EXPECT_EQ(result.parts[1].polygons.at(0).indices, (std::array<std::int32_t, 4>{2, 0, 1, 255}));
}

TEST(ReadGeoMesh, PartWithoutPolygonsIsFollowedRightAfterItsVertices) {
  GeoFile geo;
  geo.parts[5].vertex_count = 2;
  geo.parts[6].polygons = {GeoFilePolygon{0x12345678u, {9, 8, 7, 6}, texture_name("wgl0")}};
  Bytes image = write_geo_file(geo);
  // Part 6 begins 52 + 12 bytes after part 5; its polygon 52 bytes after that.
  const std::size_t polygon = empty_part_offset(5) + 52 + 12 + 52;
  EXPECT_EQ(read_u32_le(image.data() + polygon), 0x12345678u);
  write_u32_le(image.data() + polygon, 0xA5u);

  const ReadResult result = read(image);
  EXPECT_EQ(result.parts[5].polygon_count, 0);
  EXPECT_TRUE(result.parts[5].polygons.empty());
  ASSERT_EQ(result.parts[6].polygon_count, 1);
  const GeoPolygon& read_polygon = result.parts[6].polygons[0];
  EXPECT_EQ(read_polygon.flags, 0xA5u);
  EXPECT_EQ(read_polygon.indices, (std::array<std::int32_t, 4>{9, 8, 7, 6}));
  EXPECT_EQ(read_polygon.texture_name, texture_name("wgl0"));
}

TEST(ReadGeoMesh, PositionsAreInUnitsOf256th) {
  GeoFile geo;
  geo.parts[2].position = {-256, 384, 1};
  geo.parts[25].position = {-2147483647 - 1, 2147483647, 0};
  const ReadResult result = read(write_geo_file(geo));
  EXPECT_EQ(result.parts[2].position, (Vec3f{-1.0f, 1.5f, 0.00390625f}));
  EXPECT_EQ(result.parts[25].position, (Vec3f{-8388608.0f, 8388608.0f, 0.0f}));
}

void expect_same_parts(const std::vector<GeoPart>& a, const std::vector<GeoPart>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t p = 0; p < a.size(); ++p) {
    EXPECT_EQ(a[p].vertex_count, b[p].vertex_count);
    EXPECT_EQ(a[p].vertices, b[p].vertices);
    EXPECT_EQ(a[p].position, b[p].position);
    ASSERT_EQ(a[p].polygons.size(), b[p].polygons.size());
    for (std::size_t k = 0; k < a[p].polygons.size(); ++k) {
      EXPECT_EQ(a[p].polygons[k].flags, b[p].polygons[k].flags);
      EXPECT_EQ(a[p].polygons[k].indices, b[p].polygons[k].indices);
      EXPECT_EQ(a[p].polygons[k].texture_name, b[p].polygons[k].texture_name);
    }
  }
}

TEST(ReadGeoMesh, UnreadBytesDoNotChangeTheResult) {
  GeoFile geo;
  for (std::size_t p = 0; p < geo.parts.size(); ++p) {
    geo.parts[p].vertex_count = static_cast<std::int32_t>(p % 3);
    geo.parts[p].padding = {static_cast<std::int16_t>(p), 1, 2};
    geo.parts[p].position = {static_cast<std::int32_t>(p), -1, 2};
    geo.parts[p].polygons = {GeoFilePolygon{static_cast<std::uint32_t>(p), {1, 2, 3, 4}, {}}};
  }
  const ReadResult plain = read(write_geo_file(geo));
  for (const ByteFiller filler : {ByteFiller{0xFF, 0}, ByteFiller{1, 37}}) {
    GeoFile noisy = geo;
    noisy.header = filler;
    noisy.unread_part_bytes = filler;
    noisy.trailer = {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3};
    expect_same_parts(read(write_geo_file(noisy)).parts, plain.parts);
  }
}

TEST(FindTexture, ComparesNamesAsStringsOfAtMostFourBytes) {
  struct Case {
    TextureName polygon;
    TextureName record;
    bool match;
  };
  const TextureName ab_nul_nul{'a', 'b', 0, 0};
  const TextureName ab_nul_x{'a', 'b', 0, 'x'};
  const Case cases[] = {
      {texture_name("wgl0"), texture_name("wgl0"), true},
      {ab_nul_nul, ab_nul_x, true},                     // equal up to and including a NUL
      {ab_nul_x, TextureName{'a', 'b', 0, 'y'}, true},  // bytes after the NUL do not count
      {ab_nul_nul, texture_name("abc"), false},
      {texture_name("wgl0"), texture_name("WGL0"), false},  // case-sensitive
      {texture_name("wgl0"), texture_name("wgl1"), false},  // all four bytes count
  };
  for (const Case& c : cases) {
    std::vector<TextureRecord> textures = records_named({"pal", "x"});
    textures[1].name = c.record;
    EXPECT_EQ(find_texture(c.polygon, textures), c.match ? 1 : -1)
        << "record name " << std::string(c.record.begin(), c.record.end());
  }
}

TEST(FindTexture, HighestNumberedRecordOfTheNameWinsAndThePaletteNeverMatches) {
  const std::vector<TextureRecord> textures =
      records_named({"pal0", "aaaa", "wgl0", "bbbb", "cccc", "wgl0", "dddd"});
  EXPECT_EQ(find_texture(texture_name("wgl0"), textures), 5);
  EXPECT_EQ(find_texture(texture_name("dddd"), textures), 6);
  EXPECT_EQ(find_texture(texture_name("pal0"), textures), -1);
  EXPECT_EQ(find_texture(texture_name("pal0"), records_named({"pal0"})), -1);
  EXPECT_EQ(find_texture(texture_name("pal0"), {}), -1);
}

TEST(ReadGeoMesh, LinksPolygonsToTheirRecordsAndWarnsOncePerMissingTexture) {
  const std::vector<TextureRecord> textures = records_named({"pal0", "wgl0", "body", "wgl0"});
  GeoFile geo;
  geo.parts[0].polygons = {polygon_named("body"), polygon_named("pal0")};
  geo.parts[9].polygons = {polygon_named("wgl0"), polygon_named("Body"), polygon_named("pal0")};

  const ReadResult result = read(write_geo_file(geo), textures);
  EXPECT_EQ(result.warnings, 3);
  EXPECT_EQ(result.parts[0].polygons[0].texture, &textures[2]);
  EXPECT_EQ(result.parts[0].polygons[1].texture, nullptr);
  EXPECT_EQ(result.parts[9].polygons[0].texture, &textures[3]);
  EXPECT_EQ(result.parts[9].polygons[1].texture, nullptr);
  EXPECT_EQ(result.parts[9].polygons[2].texture, nullptr);
}

// An image with something in every kind of block; none of its polygons' textures exist.
GeoFile busy_spec() {
  GeoFile geo;
  geo.parts[0].vertex_count = 1;
  geo.parts[0].polygons = {polygon_named("nope")};
  geo.parts[3].vertex_count = 5;
  geo.parts[3].polygons = {polygon_named("nope"), polygon_named("nope")};
  geo.parts[25].vertex_count = 2;
  geo.parts[25].polygons = {polygon_named("nope")};
  return geo;
}

TEST(ReadGeoMesh, RejectsAnImageCutShortNamingThePartWithoutWarnings) {
  const GeoFile geo = busy_spec();
  const Bytes whole = write_geo_file(geo);
  // Part 0: 52 + 2 * 6 + 12 = 76 bytes from 140; parts 1 and 2 empty; part 3 at 320 is
  // 52 + 6 * 6 + 2 * 12 = 112 bytes; parts 4 to 24 empty; part 25 at 432 + 21 * 52 = 1524.
  ASSERT_EQ(whole.size(), 1524u + 52 + 12 + 12);
  const struct {
    std::size_t size;
    const char* message;
  } cuts[] = {
      {0, "the header of the GEO file ends past its end"},
      {139, "the header of the GEO file ends past its end"},
      {140, "part 0 of the GEO file ends past its end"},
      {140 + 51, "part 0 of the GEO file ends past its end"},
      {140 + 52 + 11, "part 0 of the GEO file ends past its end"},
      {216, "part 1 of the GEO file ends past its end"},
      {320 + 52 + 36 + 23, "part 3 of the GEO file ends past its end"},
      {1524 + 4, "part 25 of the GEO file ends past its end"},
      {whole.size() - 1, "part 25 of the GEO file ends past its end"},
  };
  for (const auto& cut : cuts) {
    WarningCounter counter;
    const Bytes image = test::prefix_of(whole, cut.size);
    EXPECT_THAT(test::rejection_of([&] { read_geo_mesh(image, {}, counter); }),
                Optional(StartsWith(cut.message)))
        << "cut at " << cut.size;
    EXPECT_EQ(counter.count, 0);
  }
  // Every shorter prefix, each in a buffer of its own size, is rejected without a read past it.
  for (std::size_t size = 0; size < whole.size(); ++size) {
    WarningCounter counter;
    const Bytes image = test::prefix_of(whole, size);
    EXPECT_THAT(test::rejection_of([&] { read_geo_mesh(image, {}, counter); }),
                Optional(::testing::HasSubstr("ends past its end")))
        << size;
    EXPECT_EQ(counter.count, 0);
  }
  EXPECT_EQ(read(whole).warnings, 4);
}

TEST(ReadGeoMesh, RejectsNegativeCountsAndCountsTheFileCannotHold) {
  const struct {
    std::int32_t vertex_count;
    std::int32_t polygon_count;
    const char* message;
  } cases[] = {
      {-1, 0, "part 4 of the GEO file has a negative vertex count (-1)"},
      {0, -2147483647 - 1, "part 4 of the GEO file has a negative polygon count (-2147483648)"},
      {2147483647, 0, "part 4 of the GEO file ends past its end"},
      {0, 2147483647, "part 4 of the GEO file ends past its end"},
      // 12 + 21 * 52 = 1104 bytes follow part 4's header: 92 polygons or 184 vertices fit, and
      // a count that fits leaves part 5 short. 185 vertices round up to 186.
      {0, 93, "part 4 of the GEO file ends past its end"},
      {0, 92, "part 5 of the GEO file ends past its end"},
      {185, 0, "part 4 of the GEO file ends past its end"},
      {184, 0, "part 5 of the GEO file ends past its end"},
  };
  for (const auto& c : cases) {
    GeoFile geo;
    geo.parts[4].polygons = {polygon_named("nope")};
    Bytes image = write_geo_file(geo);
    write_s32_le(image.data() + empty_part_offset(4), c.vertex_count);
    write_s32_le(image.data() + empty_part_offset(4) + 4, c.polygon_count);
    WarningCounter counter;
    EXPECT_THAT(test::rejection_of([&] { read_geo_mesh(image, {}, counter); }),
                Optional(StartsWith(c.message)));
    EXPECT_EQ(counter.count, 0);
  }
}

}  // namespace
}  // namespace tromvex
