// Tests of the four-view picture: what is drawn, how it is framed, and its size.
#include "render/car_views.hpp"

#include <gtest/gtest.h>

#include "common/malformed_file.hpp"

namespace tromvex {
namespace {

// A closed box of 1 x 1 x 2 units around the origin, wound as real cars are (outside normals
// pointing in), as one part at `position`.
void add_box(FceCar& car, const std::string& name, Vec3f position) {
  const auto first_vertex = static_cast<std::int32_t>(car.vertices.size());
  const auto first_triangle = static_cast<std::int32_t>(car.triangles.size());
  for (int i = 0; i < 8; ++i) {
    car.vertices.push_back({i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 1.0f : -1.0f});
  }
  // Each face as four corners counter-clockwise seen from inside, so (v1 - v0) x (v2 - v0)
  // points into the box.
  const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                           {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (const auto& f : faces) {
    car.triangles.push_back({{f[0], f[2], f[1]}, 1, {}, {}});
    car.triangles.push_back({{f[0], f[3], f[2]}, 1, {}, {}});
  }
  car.parts.push_back({name, position, first_vertex, 8, first_triangle, 12});
}

int drawn_pixels(const RgbaPicture& picture, int x0, int y0, int width, int height) {
  const std::uint8_t* background =
      picture.pixels.data() + 4 * (picture.width * (y0 + height - 2) + x0 + 1);
  int count = 0;
  for (int y = y0; y < y0 + height; ++y) {
    for (int x = x0; x < x0 + width; ++x) {
      const std::uint8_t* p = picture.pixels.data() + 4 * (picture.width * y + x);
      count += p[0] != background[0] || p[1] != background[1] || p[2] != background[2];
    }
  }
  return count;
}

TEST(CarViews, DrawsTheHighPartsFramedOnTheVerticesTheirTrianglesUse) {
  FceCar car;
  add_box(car, "High Body", {});
  car.vertices.push_back({1000.0f, 1000.0f, 1000.0f});  // padding no triangle uses
  add_box(car, "Medium Body", {500.0f, 0.0f, 0.0f});    // not drawn by default
  const RgbaPicture white{1, 1, {255, 255, 255, 255}};
  const CarViews views = render_car_views(car, white, {128, false});
  EXPECT_EQ(views.parts_drawn, 1);
  EXPECT_EQ(views.triangles_drawn, 12);
  ASSERT_EQ(views.picture.width, 128);
  ASSERT_EQ(views.picture.height, 64);
  // Each 64 x 32 view shows the box filling a good share of it.
  for (const auto& [x, y] : {std::pair{0, 0}, {64, 0}, {0, 32}, {64, 32}}) {
    EXPECT_GT(drawn_pixels(views.picture, x + 2, y + 8, 60, 22), 200) << x << ", " << y;
  }
}

TEST(CarViews, PartColoursAddALegendAndTheWidthIsChecked) {
  FceCar car;
  add_box(car, "Body", {});
  add_box(car, "Wheel", {0.0f, 0.0f, 3.0f});
  const RgbaPicture none;
  const CarViews views = render_car_views(car, none, {256, true});
  EXPECT_EQ(views.parts_drawn, 2);  // no "High" names: the first five parts
  EXPECT_GT(views.picture.height, 128);
#ifndef NDEBUG  // the caller guarantees the width; a debug build asserts it
  EXPECT_DEATH(render_car_views(car, none, {63, false}), "kMinPictureWidth");
  EXPECT_DEATH(render_car_views(car, none, {4097, false}), "kMaxPictureWidth");
#endif
}

TEST(CarViews, RefusesTrianglesThatCoverAViewFarTooOften) {
  FceCar car;
  add_box(car, "High Body", {});
  // 10000 copies of a two-sided triangle across the box: each view is covered by them
  // hundreds of times over, as no car is.
  const FceTriangle big{{0, 3, 7}, 5, {}, {}};
  car.triangles.resize(car.triangles.size() + 10000, big);
  car.parts[0].triangle_count += 10000;
  const RgbaPicture none;
  EXPECT_THROW(render_car_views(car, none, {64, false}), MalformedFile);
  car.parts[0].triangle_count -= 9800;  // 200 copies are drawn
  EXPECT_NO_THROW(render_car_views(car, none, {64, false}));
}

}  // namespace
}  // namespace tromvex
