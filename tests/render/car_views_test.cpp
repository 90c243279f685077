// Tests of the four-view picture: which parts are drawn and where each view shows them, how
// they are lit and framed, and the picture's size.
#include "render/car_views.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/malformed_file.hpp"
#include "mesh/fce_finish.hpp"
#include "support/fce_builder.hpp"
#include "support/picture_probe.hpp"

namespace tromvex {
namespace {

using test::box_part;
using test::TestFcePart;

FceCar car_of(const std::vector<TestFcePart>& parts) {
  return read_fce_image(test::fce_image_of(parts));
}

// The pixels of a cell, below its label and inside its margins, that are not the
// background.
int drawn_pixels(const RgbaPicture& picture, const PixelRect& cell) {
  int drawn = 0;
  for (int y = cell.y + 8; y < cell.y + cell.height - 2; ++y) {
    for (int x = cell.x + 2; x < cell.x + cell.width - 2; ++x)
      drawn += test::pixel_at(picture, x, y) != Rgb{236, 239, 242};
  }
  return drawn;
}

// Parts 0 to 4 are drawn, whatever their names: not part 5, a real car's medium body, even
// when its name begins "High".
TEST(CarViews, DrawsParts0To4FramedOnTheVerticesTheirTrianglesUse) {
  std::vector<TestFcePart> parts{box_part("S high body", {}, {}, {0.5f, 0.5f, 1.0f})};
  parts[0].vertices.push_back({1000.0f, 1000.0f, 1000.0f});  // no triangle uses it
  parts.resize(5);
  parts.push_back(box_part("High Body", {500.0f, 0.0f, 0.0f}, {}, {1, 1, 1}));  // part 5
  const CarViews views =
      render_car_views(car_of(parts), {1, 1, {255, 255, 255, 255}}, {128, false});
  EXPECT_EQ(views.parts_drawn, 5);
  EXPECT_EQ(views.triangles_drawn, 12);
  ASSERT_EQ(views.picture.width, 128);
  ASSERT_EQ(views.picture.height, 64);
  parts.resize(3);
  EXPECT_EQ(render_car_views(car_of(parts), {}, {128, false}).parts_drawn, 3);
  // Each 64 x 32 view shows the box filling a good share of it.
  for (const PixelRect& cell : test::view_cells(128)) {
    EXPECT_GT(drawn_pixels(views.picture, cell), 200) << cell.x << ", " << cell.y;
  }
}

// Part 0 is a box; part 1 a small box off its front (+z), top (+y) and left (-x) corner.
// In each view, where part 1's colour lies from part 0's, as the views are described: the
// side view from the car's left (front on the left), the front view (the car's right on the
// left), the top view (front on the left, the car's right at the top), and the front right
// view (seen from the front right, the car's left lies to the right).
TEST(CarViews, EachViewShowsAPartOnItsSideOfTheCar) {
  const CarViews views =
      render_car_views(car_of({box_part("body", {}, {}, {1.0f, 0.5f, 2.0f}),
                               box_part("marker", {-1.3f, 0.7f, 2.3f}, {}, {0.25f, 0.25f, 0.25f})}),
                       {}, {512, true});
  const bool right_of_body[] = {false, true, false, true};  // left side, front, top, front right
  const bool above_body[] = {true, true, false, true};
  for (std::size_t i = 0; i < 4; ++i) {
    const PixelRect cell = test::view_cells(512)[i];
    const test::Spot body = test::spot_of(views.picture, cell, 0, 2);
    const test::Spot marker = test::spot_of(views.picture, cell, 1, 2);
    ASSERT_GT(body.pixels, 100) << "view " << i;
    ASSERT_GT(marker.pixels, 20) << "view " << i;
    EXPECT_EQ(marker.x > body.x, right_of_body[i]) << "view " << i;
    EXPECT_EQ(marker.y < body.y, above_body[i]) << "view " << i;
  }
}

// The side view sees one face of a box. Unfinished, it is lit as one face: one colour.
// Finished, its corners' normals lean different ways and its light changes across it. The box
// is part 1, after a part of vertices without triangles that finishing leaves unlit.
TEST(CarViews, FinishedPartsAreLitSmoothlyUnfinishedOnesFaceByFace) {
  TestFcePart bare = box_part("bare", {}, {}, {1, 1, 1});
  bare.triangles.clear();
  const Bytes image =
      test::fce_image_of(std::vector<TestFcePart>{bare, box_part("body", {}, {}, {1, 1, 1})});
  for (const bool finished : {false, true}) {
    const FceCar car = read_fce_image(finished ? finish_fce_image(image).image : image);
    const RgbaPicture picture = render_car_views(car, {}, {256, false}).picture;
    std::set<std::tuple<int, int, int>> shades;
    for (int y = 8; y < 64; ++y) {
      for (int x = 0; x < 128; ++x) {
        const Rgb c = test::pixel_at(picture, x, y);
        if (c != Rgb{236, 239, 242} && c != Rgb{90, 90, 90})
          shades.insert({c.red, c.green, c.blue});
      }
    }
    EXPECT_TRUE(finished ? shades.size() > 10 : shades.size() == 1) << shades.size();
  }
}

TEST(CarViews, PartColoursAddALegendAndTheWidthIsChecked) {
  const FceCar car = car_of({box_part("Body", {}, {}, {0.5f, 0.5f, 1.0f}),
                             box_part("Wheel", {0, 0, 3}, {}, {0.5f, 0.5f, 1.0f})});
  const RgbaPicture none;
  const CarViews views = render_car_views(car, none, {256, true});
  EXPECT_EQ(views.parts_drawn, 2);
  EXPECT_GT(views.picture.height, 128);
#ifndef NDEBUG  // the caller guarantees the width; a debug build asserts it
  EXPECT_DEATH(render_car_views(car, none, {63, false}), "kMinPictureWidth");
  EXPECT_DEATH(render_car_views(car, none, {4097, false}), "kMaxPictureWidth");
#endif
}

TEST(CarViews, RefusesTrianglesThatCoverAViewFarTooOften) {
  FceCar car = car_of({box_part("High Body", {}, {}, {0.5f, 0.5f, 1.0f})});
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
