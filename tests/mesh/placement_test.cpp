// Tests of the first indices, the totals and the wheel centring of the FCE parts.
#include "mesh/placement.hpp"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "support/reference_fce.hpp"

namespace tromvex {
namespace {

// Vertices with the given y values, and x and z that centring must leave alone.
std::vector<Vec3f> vertices_with_y(const std::vector<float>& ys) {
  std::vector<Vec3f> vertices;
  for (const float y : ys) vertices.push_back({1.5f, y, -2.5f});
  return vertices;
}

// Twelve parts, part i at position (10 + i, i, -i).
FceParts placed_parts() {
  FceParts parts;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto f = static_cast<float>(i);
    parts[i].position = {10.0f + f, f, -f};
  }
  return parts;
}

TEST(FirstIndices, AreTheSumsOfTheCountsBefore) {
  FceParts parts;
  const std::array<std::int32_t, 4> vertex_counts{3, 0, 5, 2};
  const std::array<std::int32_t, 4> triangle_counts{2, 4, 0, 6};
  for (std::size_t i = 0; i < 4; ++i) {
    parts[i].vertex_count = vertex_counts[i];
    parts[i].triangle_count = triangle_counts[i];
  }
  parts[11].triangle_count = 8;
  const FceTotals totals = assign_first_indices(parts);

  const std::array<std::int32_t, kFcePartCount> first_vertex{0,  3,  3,  8,  10, 10,
                                                             10, 10, 10, 10, 10, 10};
  const std::array<std::int32_t, kFcePartCount> first_triangle{0,  2,  6,  6,  12, 12,
                                                               12, 12, 12, 12, 12, 12};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    EXPECT_EQ(parts[i].first_vertex, first_vertex[i]) << i;
    EXPECT_EQ(parts[i].first_triangle, first_triangle[i]) << i;
  }
  EXPECT_EQ(totals.vertex_total, 10);
  EXPECT_EQ(totals.triangle_total, 20);
}

TEST(FirstIndices, AllPartsEmptyGiveZerosAndNoMovement) {
  FceParts parts = placed_parts();
  const FceTotals totals = assign_first_indices(parts);
  test::centre_wheel_arrays(parts);
  EXPECT_EQ(totals.vertex_total, 0);
  EXPECT_EQ(totals.triangle_total, 0);
  const FceParts unchanged = placed_parts();
  for (std::size_t i = 0; i < parts.size(); ++i) {
    EXPECT_EQ(parts[i].first_vertex, 0);
    EXPECT_EQ(parts[i].first_triangle, 0);
    EXPECT_EQ(parts[i].position, unchanged[i].position) << i;
  }
}

TEST(WheelCentring, CentresWheelsOnTheirZeroClampedRangeAndLowersAllByPart1Extent) {
  FceParts parts = placed_parts();
  parts[1].vertices = vertices_with_y({0.0f, 0.25f, 0.75f});      // h = 0.75
  parts[3].vertices = vertices_with_y({-0.5f, -0.125f, -0.25f});  // all below 0: h = 0.5
  parts[9].vertices = vertices_with_y({-0.25f, 0.5f});            // h = 0.75, s = 0.375
  // Bodies, part 5 included, are never centred.
  for (const std::size_t body : {0u, 5u, 10u, 11u}) {
    parts[body].vertices = vertices_with_y({0.5f, 1.0f});
  }
  test::centre_wheel_arrays(parts);

  EXPECT_EQ(parts[1].vertices, vertices_with_y({-0.375f, -0.125f, 0.375f}));
  EXPECT_EQ(parts[3].vertices, vertices_with_y({-0.75f, -0.375f, -0.5f}));
  EXPECT_EQ(parts[9].vertices, vertices_with_y({-0.625f, 0.125f}));
  for (const std::size_t body : {0u, 5u, 10u, 11u}) {
    EXPECT_EQ(parts[body].vertices, vertices_with_y({0.5f, 1.0f})) << body;
  }

  // Each position rises by its own shift, then every one falls by K = 0.75.
  std::array<float, kFcePartCount> expected_y{};
  for (std::size_t i = 0; i < expected_y.size(); ++i) {
    expected_y[i] = static_cast<float>(i) - 0.75f;
  }
  expected_y[1] = 1.0f + 0.375f - 0.75f;
  expected_y[3] = 3.0f + 0.25f - 0.75f;
  expected_y[9] = 9.0f + 0.375f - 0.75f;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto f = static_cast<float>(i);
    EXPECT_EQ(parts[i].position, (Vec3f{10.0f + f, expected_y[i], -f})) << i;
  }
}

TEST(WheelCentring, EmptyPart1LowersNothingButOtherWheelsAreCentred) {
  FceParts parts = placed_parts();
  parts[2].vertices = vertices_with_y({0.0f, 1.0f});
  parts[6].vertices = vertices_with_y({0.25f});
  test::centre_wheel_arrays(parts);

  EXPECT_EQ(parts[2].vertices, vertices_with_y({-0.5f, 0.5f}));
  EXPECT_EQ(parts[6].vertices, vertices_with_y({0.125f}));
  const FceParts unchanged = placed_parts();
  for (std::size_t i = 0; i < parts.size(); ++i) {
    Vec3f expected = unchanged[i].position;
    if (i == 2) expected.y += 0.5f;
    if (i == 6) expected.y += 0.125f;
    EXPECT_EQ(parts[i].position, expected) << i;
  }
}

}  // namespace
}  // namespace tromvex
