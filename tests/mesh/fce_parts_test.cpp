// Tests of gathering GEO parts into the twelve FCE parts.
#include "mesh/fce_parts.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "support/reference_fce.hpp"

namespace tromvex {
namespace {

std::vector<GeoPart> empty_geo_parts() { return std::vector<GeoPart>(kGeoPartCount); }

void add_vertex(GeoPart& part, std::int16_t x, std::int16_t y, std::int16_t z) {
  part.vertices.push_back({x, y, z});
  part.vertex_count = static_cast<std::int32_t>(part.vertices.size());
}

void add_vertices(GeoPart& part, int count) {
  for (int i = 0; i < count; ++i) add_vertex(part, 0, 0, 0);
}

void add_polygon(GeoPart& part, std::uint32_t flags, std::array<std::int32_t, 4> indices,
                 const TextureRecord* texture) {
  part.polygons.push_back({{'t', 'e', 's', 't'}, flags, indices, texture});
  part.polygon_count = static_cast<std::int32_t>(part.polygons.size());
}

TextureRecord placed_texture(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  TextureRecord texture;
  texture.width = w;
  texture.height = h;
  texture.atlas_x = x;
  texture.atlas_y = y;
  return texture;
}

std::string name_of(const FcePart& part) { return std::string(part.name.data()); }

TEST(FcePartAssembly, GathersTheFixedRangesUnderTheirNames) {
  // GEO part g gets g + 1 vertices, all at x = g, and one polygon.
  std::vector<GeoPart> geo = empty_geo_parts();
  for (std::size_t g = 0; g < geo.size(); ++g) {
    const auto x = static_cast<std::int16_t>(g * 256);
    for (std::size_t i = 0; i <= g; ++i) add_vertex(geo[g], x, 0, 0);
    add_polygon(geo[g], 0, {0, 0, 0, 0}, nullptr);
  }
  const FceParts parts = test::assembled_fce_parts(geo, 64);

  struct Expected {
    const char* name;
    std::int32_t vertex_count;    // 1 + 2 + ... over the gathered parts
    std::int32_t triangle_count;  // two for each gathered part's polygon
    float first_x;                // the number of the first gathered GEO part
    float last_x;                 // the number of the last one
  };
  const std::array<Expected, kFcePartCount> expected{{
      {"High Body", 78, 24, 0.0f, 11.0f},
      {"High right front Wheel", 27, 4, 12.0f, 13.0f},
      {"High left front Wheel", 31, 4, 14.0f, 15.0f},
      {"High right rear Wheel", 35, 4, 16.0f, 17.0f},
      {"High left rear Wheel", 39, 4, 18.0f, 19.0f},
      {"Medium Body", 78, 24, 0.0f, 11.0f},
      {"Medium right front Wheel", 27, 4, 12.0f, 13.0f},
      {"Medium left front Wheel", 31, 4, 14.0f, 15.0f},
      {"Medium right rear Wheel", 35, 4, 16.0f, 17.0f},
      {"Medium left rear Wheel", 39, 4, 18.0f, 19.0f},
      {"Small Body", 66, 6, 20.0f, 22.0f},
      {"Tiny Body", 75, 6, 23.0f, 25.0f},
  }};
  for (std::size_t k = 0; k < parts.size(); ++k) {
    SCOPED_TRACE(k);
    const FcePart& part = parts[k];
    EXPECT_EQ(name_of(part), expected[k].name);
    // NUL-terminated, and nothing after the terminator.
    for (std::size_t i = std::strlen(expected[k].name); i < part.name.size(); ++i) {
      EXPECT_EQ(part.name[i], '\0');
    }
    EXPECT_EQ(part.vertex_count, expected[k].vertex_count);
    EXPECT_EQ(part.triangle_count, expected[k].triangle_count);
    EXPECT_EQ(part.first_vertex, 0);
    EXPECT_EQ(part.first_triangle, 0);
    ASSERT_EQ(part.vertices.size(), static_cast<std::size_t>(expected[k].vertex_count));
    EXPECT_EQ(part.normals.size(), part.vertices.size());
    EXPECT_EQ(part.triangles.size(), static_cast<std::size_t>(expected[k].triangle_count));
    EXPECT_EQ(part.vertices.front().x, expected[k].first_x);
    EXPECT_EQ(part.vertices.back().x, expected[k].last_x);
  }
}

TEST(FcePartAssembly, MediumPartsAreCopiesOfTheirHighTwins) {
  std::vector<GeoPart> geo = empty_geo_parts();
  const TextureRecord texture = placed_texture(10, 20, 30, 40);
  for (int g = 0; g < 20; ++g) {
    GeoPart& part = geo[static_cast<std::size_t>(g)];
    part.position = {static_cast<float>(g), -2.0f * static_cast<float>(g), 0.5f};
    add_vertex(part, static_cast<std::int16_t>(g), -7, 300);
    add_vertex(part, 1, static_cast<std::int16_t>(g * 3), -300);
    const TextureRecord* link = g % 2 == 0 ? &texture : nullptr;
    add_polygon(part, static_cast<std::uint32_t>(g), {0, 1, 1, 0}, link);
  }
  const FceParts parts = test::assembled_fce_parts(geo, 128);
  for (std::size_t high = 0; high < 5; ++high) {
    SCOPED_TRACE(high);
    const FcePart& a = parts[high];
    const FcePart& b = parts[high + 5];
    EXPECT_NE(name_of(a), name_of(b));
    EXPECT_EQ(a.vertex_count, b.vertex_count);
    EXPECT_EQ(a.triangle_count, b.triangle_count);
    EXPECT_EQ(a.first_vertex, b.first_vertex);
    EXPECT_EQ(a.first_triangle, b.first_triangle);
    EXPECT_EQ(a.vertices, b.vertices);
    EXPECT_EQ(a.normals, b.normals);
    EXPECT_EQ(a.triangles, b.triangles);
    EXPECT_EQ(a.position, b.position);
    EXPECT_FALSE(a.triangles.empty());
  }
}

TEST(FcePartAssembly, CornersCountFromTheGeoPartsVertexBaseWithinEachFcePart) {
  std::vector<GeoPart> geo = empty_geo_parts();
  add_vertices(geo[0], 30);  // the body's vertices do not shift the wheels' indices
  add_vertices(geo[12], 40);
  add_vertices(geo[13], 4);
  add_polygon(geo[12], 0, {0, 1, 2, 3}, nullptr);
  add_polygon(geo[13], 0, {0, 1, 2, 3}, nullptr);
  const FceParts parts = test::assembled_fce_parts(geo, 64);

  for (const std::size_t wheel : {std::size_t{1}, std::size_t{6}}) {
    SCOPED_TRACE(wheel);
    const std::vector<FceTriangle>& triangles = parts[wheel].triangles;
    ASSERT_EQ(triangles.size(), 4u);
    // Bit 0x04 clear: (p0, p3, p2) then (p2, p1, p0).
    EXPECT_EQ(triangles[0].indices, (std::array<std::int32_t, 3>{0, 3, 2}));
    EXPECT_EQ(triangles[1].indices, (std::array<std::int32_t, 3>{2, 1, 0}));
    EXPECT_EQ(triangles[2].indices, (std::array<std::int32_t, 3>{40, 43, 42}));
    EXPECT_EQ(triangles[3].indices, (std::array<std::int32_t, 3>{42, 41, 40}));
  }
}

TEST(FcePartAssembly, VerticesAreScaledBy256WithZeroNormals) {
  std::vector<GeoPart> geo = empty_geo_parts();
  add_vertex(geo[0], 256, -512, 1);
  add_vertex(geo[0], -32768, 32767, 0);
  const FceParts parts = test::assembled_fce_parts(geo, 64);
  for (const std::size_t body : {std::size_t{0}, std::size_t{5}}) {
    ASSERT_EQ(parts[body].vertices.size(), 2u);
    EXPECT_EQ(parts[body].vertices[0], (Vec3f{1.0f, -2.0f, 0.00390625f}));
    EXPECT_EQ(parts[body].vertices[1], (Vec3f{-128.0f, 127.99609375f, 0.0f}));
    EXPECT_EQ(parts[body].normals[0], (Vec3f{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(parts[body].normals[1], (Vec3f{0.0f, 0.0f, 0.0f}));
  }
}

TEST(FcePartAssembly, PositionIsTheFirstGatheredPartsPositionOver256) {
  std::vector<GeoPart> geo = empty_geo_parts();
  geo[12].position = {256.0f, 0.0f, -128.0f};
  geo[13].position = {9999.0f, 42.0f, 7.0f};
  geo[20].position = {-512.0f, 64.0f, 1.0f};
  const FceParts parts = test::assembled_fce_parts(geo, 64);
  EXPECT_EQ(parts[1].position, (Vec3f{1.0f, 0.0f, -0.5f}));
  EXPECT_EQ(parts[6].position, (Vec3f{1.0f, 0.0f, -0.5f}));
  EXPECT_EQ(parts[10].position, (Vec3f{-2.0f, 0.25f, 0.00390625f}));
  EXPECT_EQ(parts[0].position, (Vec3f{0.0f, 0.0f, 0.0f}));
}

TEST(FcePartAssembly, VerticesOfLaterGatheredPartsMoveByTheirPositionDifference) {
  std::vector<GeoPart> geo = empty_geo_parts();
  // Equal positions: every vertex is exactly its coordinate / 256.
  geo[20].position = {3.5f, -7.25f, 100.0f};
  geo[21].position = {3.5f, -7.25f, 100.0f};
  add_vertex(geo[20], 1, -1, 32767);
  add_vertex(geo[21], -3, 255, -32768);
  // A wheel part placed 512 further along z than the first one: its vertices move by 2.0.
  geo[12].position = {0.0f, 0.0f, 0.0f};
  geo[13].position = {0.0f, 0.0f, 512.0f};
  add_vertex(geo[12], 256, 0, 0);
  add_vertex(geo[13], 0, 128, 256);
  const FceParts parts = test::assembled_fce_parts(geo, 64);

  ASSERT_EQ(parts[10].vertices.size(), 2u);
  const auto unit = static_cast<float>(kGeoUnit);
  EXPECT_EQ(parts[10].vertices[0], (Vec3f{1 * unit, -1 * unit, 32767 * unit}));
  EXPECT_EQ(parts[10].vertices[1], (Vec3f{-3 * unit, 255 * unit, -32768 * unit}));
  for (const std::size_t wheel : {std::size_t{1}, std::size_t{6}}) {
    ASSERT_EQ(parts[wheel].vertices.size(), 2u);
    EXPECT_EQ(parts[wheel].vertices[0], (Vec3f{1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(parts[wheel].vertices[1], (Vec3f{0.0f, 0.5f, 1.0f + 2.0f}));
    EXPECT_EQ(parts[wheel].position, (Vec3f{0.0f, 0.0f, 0.0f}));
  }
}

// The worked example: atlas x 64, y 32, 64 x 64, atlas height 96.
const float kLeft = 0.0859375f;   // 66 / 768
const float kRight = 0.1640625f;  // 126 / 768
const float kTop = static_cast<float>(34.0 / 96.0);
const float kBottom = static_cast<float>(94.0 / 96.0);

TEST(FcePartAssembly, TrianglesRunThroughTheCornersInTheOrderBit4Chooses) {
  struct Case {
    std::uint32_t flags;
    std::uint32_t triangle_flags;
    std::array<std::int32_t, 3> first, second;
    std::array<float, 3> first_u, first_v, second_u, second_v;
  };
  // A case takes three lines (corners, then the u and v of each triangle); the formatter would
  // give every field a line of its own.
  // clang-format off
  const std::array<Case, 5> cases{{
      {0x00, 1, {0, 3, 2}, {2, 1, 0},
       {kLeft, kLeft, kRight}, {kBottom, kTop, kTop},
       {kRight, kRight, kLeft}, {kTop, kBottom, kBottom}},
      {kGeoFlagCornerOrder, 1, {0, 1, 2}, {2, 3, 0},
       {kLeft, kRight, kRight}, {kBottom, kBottom, kTop},
       {kRight, kLeft, kLeft}, {kTop, kTop, kBottom}},
      {kGeoFlagTwoSided, 5, {0, 3, 2}, {2, 1, 0},
       {kLeft, kLeft, kRight}, {kBottom, kTop, kTop},
       {kRight, kRight, kLeft}, {kTop, kBottom, kBottom}},
      {kGeoFlagCornerOrder | kGeoFlagTwoSided, 5, {0, 1, 2}, {2, 3, 0},
       {kLeft, kRight, kRight}, {kBottom, kBottom, kTop},
       {kRight, kLeft, kLeft}, {kTop, kTop, kBottom}},
      // The other bits change nothing.
      {~(kGeoFlagCornerOrder | kGeoFlagTwoSided), 1, {0, 3, 2}, {2, 1, 0},
       {kLeft, kLeft, kRight}, {kBottom, kTop, kTop},
       {kRight, kRight, kLeft}, {kTop, kBottom, kBottom}},
  }};
  // clang-format on
  const TextureRecord texture = placed_texture(64, 32, 64, 64);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    std::vector<GeoPart> geo = empty_geo_parts();
    add_polygon(geo[23], c.flags, {0, 1, 2, 3}, &texture);
    const FceParts parts = test::assembled_fce_parts(geo, 96);
    const std::vector<FceTriangle>& triangles = parts[11].triangles;
    ASSERT_EQ(triangles.size(), 2u);
    EXPECT_EQ(triangles[0], (FceTriangle{c.first, c.triangle_flags, c.first_u, c.first_v}));
    EXPECT_EQ(triangles[1], (FceTriangle{c.second, c.triangle_flags, c.second_u, c.second_v}));
  }
}

TEST(FcePartAssembly, UntexturedPolygonsAndAZeroHighAtlasGiveZeroCoordinates) {
  const TextureRecord texture = placed_texture(64, 32, 64, 0);
  std::vector<GeoPart> geo = empty_geo_parts();
  add_polygon(geo[23], kGeoFlagCornerOrder, {4, 5, 6, 7}, nullptr);
  add_polygon(geo[24], kGeoFlagTwoSided, {0, 1, 2, 3}, &texture);
  const FceParts parts = test::assembled_fce_parts(geo, 0);
  const std::vector<FceTriangle>& triangles = parts[11].triangles;
  ASSERT_EQ(triangles.size(), 4u);
  const std::array<float, 3> zeros{0.0f, 0.0f, 0.0f};
  // A missing texture still gives its two triangles, with every u and v 0.0.
  EXPECT_EQ(triangles[0], (FceTriangle{{4, 5, 6}, 1, zeros, zeros}));
  EXPECT_EQ(triangles[1], (FceTriangle{{6, 7, 4}, 1, zeros, zeros}));
  // An atlas 0 rows high gives v = 0.0 instead of an infinity; u is unchanged.
  EXPECT_EQ(triangles[2], (FceTriangle{{0, 3, 2}, 5, {kLeft, kLeft, kRight}, zeros}));
  EXPECT_EQ(triangles[3], (FceTriangle{{2, 1, 0}, 5, {kRight, kRight, kLeft}, zeros}));
}

}  // namespace
}  // namespace tromvex
