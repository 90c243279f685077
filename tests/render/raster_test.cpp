// Tests of the rasteriser on tiny scenes whose pixels can be worked out by hand: a front
// camera at 1 pixel a unit, so world (x, y) lands at picture (x, 10 - y) in a 10 x 10 cell.
#include "render/raster.hpp"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>

namespace tromvex {
namespace {

constexpr Rgb kBack{10, 20, 30};
constexpr PixelRect kCell{0, 0, 10, 10};

// Looks along +z with x to the right, y up; lit from the viewer, so a face seen square-on
// shows its colour unshaded.
Camera front_camera() {
  Camera camera;
  camera.centre_y = 10.0;
  camera.light = {0.0, 0.0, -1.0};
  return camera;
}

// A flat triangle. Listed counter-clockwise as the camera sees it (x to the right, y up), its
// stored normal (v1 - v0) x (v2 - v0) points away from the viewer: the side the game shows.
DrawTriangle flat(Vec3d a, Vec3d b, Vec3d c, Rgb colour) {
  DrawTriangle triangle;
  triangle.corners = {a, b, c};
  triangle.flat = true;
  triangle.flat_colour = colour;
  return triangle;
}

// The picture as rows of characters: '.' background, otherwise the first letter of the colour
// name in names whose colour the pixel has.
std::string pixels(const Canvas& canvas, const std::vector<std::pair<char, Rgb>>& names) {
  std::string out;
  for (int y = 0; y < canvas.picture.height; ++y) {
    for (int x = 0; x < canvas.picture.width; ++x) {
      const std::uint8_t* p = canvas.picture.pixels.data() + 4 * (y * canvas.picture.width + x);
      char c = '?';
      if (p[0] == kBack.red && p[1] == kBack.green && p[2] == kBack.blue) c = '.';
      for (const auto& [name, colour] : names) {
        if (p[0] == colour.red && p[1] == colour.green && p[2] == colour.blue) c = name;
      }
      out += c;
    }
    out += '\n';
  }
  return out;
}

constexpr Rgb kRed{200, 0, 0};
constexpr Rgb kBlue{0, 0, 200};

// A quad x 2..6, y 1..4 at depth z as two triangles, facing the camera unless reversed.
void draw_quad(Canvas& canvas, double z, Rgb colour, bool reversed = false,
               bool two_sided = false) {
  DrawTriangle a = flat({2, 1, z}, {6, 1, z}, {6, 4, z}, colour);
  DrawTriangle b = flat({6, 4, z}, {2, 4, z}, {2, 1, z}, colour);
  for (DrawTriangle* t : {&a, &b}) {
    if (reversed) std::swap(t->corners[1], t->corners[2]);
    t->two_sided = two_sided;
    draw_triangle(canvas, kCell, front_camera(), *t, nullptr);
  }
}

// Columns 2 to 5 (centres 2.5 to 5.5 lie in x 2..6), rows 6 to 8 (y 1..4 is rows 6 to 9).
const std::string kQuadPixels =
    "..........\n"
    "..........\n"
    "..........\n"
    "..........\n"
    "..........\n"
    "..........\n"
    "..eeee....\n"
    "..eeee....\n"
    "..eeee....\n"
    "..........\n";

std::string with(std::string picture, char c) {
  for (char& p : picture)
    if (p == 'e') p = c;
  return picture;
}

TEST(Raster, QuadSeenSquareOnCoversItsPixelRectangle) {
  Canvas canvas(10, 10, kBack);
  draw_quad(canvas, 5.0, kRed);
  EXPECT_EQ(pixels(canvas, {{'r', kRed}}), with(kQuadPixels, 'r'));
}

TEST(Raster, NearerOfTwoOverlappingTrianglesWins) {
  for (const bool near_first : {true, false}) {
    Canvas canvas(10, 10, kBack);
    // The blue quad lies nearer the camera (smaller z) than the red one, in either order.
    if (near_first) draw_quad(canvas, 1.0, kBlue);
    draw_quad(canvas, 5.0, kRed);
    if (!near_first) draw_quad(canvas, 1.0, kBlue);
    EXPECT_EQ(pixels(canvas, {{'r', kRed}, {'b', kBlue}}), with(kQuadPixels, 'b')) << near_first;
  }
}

TEST(Raster, BackFacingTriangleIsDrawnOnlyWhenTwoSided) {
  Canvas canvas(10, 10, kBack);
  draw_quad(canvas, 5.0, kRed, /*reversed=*/true);
  EXPECT_EQ(pixels(canvas, {}), with(kQuadPixels, '.'));
  draw_quad(canvas, 5.0, kBlue, /*reversed=*/true, /*two_sided=*/true);
  EXPECT_EQ(pixels(canvas, {{'b', kBlue}}), with(kQuadPixels, 'b'));
}

// 0.35 of the colour for a face turned from the light, all of it facing it, and
// 0.35 + 0.65 cos(angle) between: at cos 0.6, 0.74 (rounded to the nearest level).
TEST(Raster, ShadeFollowsTheAngleBetweenTheFaceAndTheLight) {
  constexpr Rgb kColour{200, 100, 40};
  const struct {
    Vec3d light;
    Rgb seen;
  } cases[] = {
      {{0.0, 0.0, -1.0}, {200, 100, 40}},  // from the viewer, square on to the face
      {{0.0, 0.8, -0.6}, {148, 74, 30}},   // 53 degrees off the face's normal
      {{0.6, 0.0, -0.8}, {174, 87, 35}},   // 37 degrees: cos 0.8, 0.87
      {{0.0, 1.0, 0.0}, {70, 35, 14}},     // edge-on
      {{0.0, 0.0, 1.0}, {70, 35, 14}},     // from behind
  };
  for (const auto& c : cases) {
    Canvas canvas(10, 10, kBack);
    Camera camera = front_camera();
    camera.light = c.light;
    draw_triangle(canvas, kCell, camera, flat({2, 1, 5}, {6, 1, 5}, {6, 4, 5}, kColour), nullptr);
    const std::uint8_t* p = canvas.picture.pixels.data() + 4 * (8 * 10 + 5);  // inside
    EXPECT_EQ((Rgb{p[0], p[1], p[2]}), c.seen)
        << c.light.x << ", " << c.light.y << ", " << c.light.z;
  }
}

// Smooth light is interpolated across the quad of draw_quad: its corners at x = 2 take the
// normal left, those at x = 6 the normal right. Facing the camera's light at x = 2 (all of the
// colour) and edge-on to it at x = 6 (0.35), pixel centres 2.5 to 5.5 show 1 - 0.65 (x - 2) / 4
// of 200: 183.75, 151.25, 118.75, 86.25, to the nearest level.
TEST(Raster, SmoothLightIsInterpolatedFromTheCornersNormals) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* what;
    Vec3d left, right;
    bool seen_from_behind;
    std::array<int, 4> row;
  } cases[] = {
      {"lit, then edge-on", {0, 0, -1}, {1, 0, 0}, false, {184, 151, 119, 86}},
      {"normals of any length", {0, 0, -5}, {3, 0, 0}, false, {184, 151, 119, 86}},
      {"a two-sided quad seen from behind turns its normals",
       {0, 0, 1},
       {-1, 0, 0},
       true,
       {184, 151, 119, 86}},
      {"zero or NaN normals take the face's", {}, {kNaN, 0, 0}, false, {200, 200, 200, 200}},
  };
  for (const auto& c : cases) {
    Canvas canvas(10, 10, kBack);
    DrawTriangle a = flat({2, 1, 5}, {6, 1, 5}, {6, 4, 5}, kRed);
    a.normals = {c.left, c.right, c.right};
    DrawTriangle b = flat({6, 4, 5}, {2, 4, 5}, {2, 1, 5}, kRed);
    b.normals = {c.right, c.left, c.left};
    for (DrawTriangle* t : {&a, &b}) {
      t->smooth = true;
      t->two_sided = c.seen_from_behind;
      if (c.seen_from_behind) {
        std::swap(t->corners[1], t->corners[2]);
        std::swap(t->normals[1], t->normals[2]);
      }
      draw_triangle(canvas, kCell, front_camera(), *t, nullptr);
    }
    std::array<int, 4> row{};
    for (int x = 2; x < 6; ++x)
      row[static_cast<std::size_t>(x - 2)] = canvas.picture.pixels[4 * (7 * 10 + x)];
    EXPECT_EQ(row, c.row) << c.what;
  }
}

// A 2 x 1 texture: red on the left, blue on the right; when clear, its right texel has alpha 0.
RgbaPicture two_colour_texture(bool right_clear) {
  return {2, 1, {200, 0, 0, 255, 0, 0, 200, static_cast<std::uint8_t>(right_clear ? 0 : 255)}};
}

// The quad of draw_quad, u from 0 at x = 2 to 1 at x = 6.
void draw_textured_quad(Canvas& canvas, const RgbaPicture& texture) {
  DrawTriangle a = flat({2, 1, 5}, {6, 1, 5}, {6, 4, 5}, {});
  a.flat = false;
  a.u = {0.0f, 1.0f, 1.0f};
  a.v = {0.0f, 0.0f, 1.0f};
  DrawTriangle b = a;
  b.corners = {Vec3d{6, 4, 5}, Vec3d{2, 4, 5}, Vec3d{2, 1, 5}};
  b.u = {1.0f, 0.0f, 0.0f};
  b.v = {1.0f, 1.0f, 0.0f};
  draw_triangle(canvas, kCell, front_camera(), a, &texture);
  draw_triangle(canvas, kCell, front_camera(), b, &texture);
}

TEST(Raster, TwoColourTextureLandsOnTheExpectedHalves) {
  Canvas canvas(10, 10, kBack);
  draw_textured_quad(canvas, two_colour_texture(false));
  const std::string halves =
      "..........\n..........\n..........\n..........\n..........\n..........\n"
      "..rrbb....\n..rrbb....\n..rrbb....\n"
      "..........\n";
  EXPECT_EQ(pixels(canvas, {{'r', kRed}, {'b', kBlue}}), halves);
}

TEST(Raster, TransparentTexelShowsWhatLiesBehind) {
  Canvas canvas(10, 10, kBack);
  draw_textured_quad(canvas, two_colour_texture(true));
  const std::string left_half =
      "..........\n..........\n..........\n..........\n..........\n..........\n"
      "..rr......\n..rr......\n..rr......\n"
      "..........\n";
  EXPECT_EQ(pixels(canvas, {{'r', kRed}}), left_half);
}

TEST(Raster, PerspectiveKeepsTextureCoordinatesOnTheSurface) {
  // A wall leaning away from an eye at the origin, from height 0 at depth 1 to height 4 at
  // depth 4: picture row y = 10 - 10 * height / depth, so it spans rows 0 to 9. Its texture is
  // red on the lower half of v, blue on the upper. The wall's halfway point (height 2, depth
  // 2.5) lands at y = 2: two rows are blue; interpolating v straight across the picture would
  // make it five.
  Camera camera;
  camera.perspective = true;
  camera.scale = 10.0;
  camera.centre_x = 5.0;
  camera.centre_y = 10.0;
  DrawTriangle a = flat({-0.4, 0.0, 1.0}, {0.4, 4.0, 4.0}, {-0.4, 4.0, 4.0}, {});
  a.flat = false;
  a.v = {0.0f, 1.0f, 1.0f};
  DrawTriangle b = a;
  b.corners = {Vec3d{0.4, 4.0, 4.0}, Vec3d{-0.4, 0.0, 1.0}, Vec3d{0.4, 0.0, 1.0}};
  b.v = {1.0f, 0.0f, 0.0f};
  const RgbaPicture texture{1, 2, {0, 0, 200, 255, 200, 0, 0, 255}};  // top row blue
  Canvas canvas(10, 10, kBack);
  draw_triangle(canvas, kCell, camera, a, &texture);
  draw_triangle(canvas, kCell, camera, b, &texture);
  std::string column;
  for (int y = 0; y < 10; ++y) {
    const std::uint8_t* p = canvas.picture.pixels.data() + 4 * (y * 10 + 5);
    column += p[2] > p[0] ? 'b' : p[0] > p[2] ? 'r' : '.';
  }
  EXPECT_EQ(column, "bbrrrrrrrr");
}

}  // namespace
}  // namespace tromvex
