// A small scanline rasteriser: textured, lit triangles with a depth buffer.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "common/picture.hpp"
#include "common/vec3d.hpp"

namespace tromvex {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

// A rectangle of the picture, in pixels.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The picture being drawn and its depth buffer, one depth a pixel.
struct Canvas {
  // A picture of width x height pixels filled with background; every depth starts farthest.
  // Throws std::bad_alloc only.
  Canvas(int width, int height, Rgb background);

  RgbaPicture picture;
  std::vector<float> depth;  // larger is nearer

  // These two throw nothing.
  void set_pixel(int x, int y, Rgb colour);      // ignores pixels outside the picture
  void fill(const PixelRect& rect, Rgb colour);  // clipped to the picture
};

// How a view sees the car. World coordinates are the file's: x to the car's right, y up, z
// forward. right x up = forward, all three of length 1; forward points into the picture.
struct Camera {
  bool perspective = false;
  Vec3d eye;  // perspective: the eye; orthographic: any point on the view's axis
  Vec3d right{1.0, 0.0, 0.0};
  Vec3d up{0.0, 1.0, 0.0};
  Vec3d forward{0.0, 0.0, 1.0};
  // Picture pixels per world unit (orthographic) or per unit of sideways distance divided by
  // depth (perspective), and where the view's axis meets the picture.
  double scale = 1.0;
  double centre_x = 0.0;
  double centre_y = 0.0;
  Vec3d light{0.0, 0.0, -1.0};  // length 1, towards the light
};

// One triangle to draw, in world coordinates, with the texture coordinates of its corners
// (u across the texture, v up from its bottom row).
struct DrawTriangle {
  std::array<Vec3d, 3> corners;
  std::array<float, 3> u{};
  std::array<float, 3> v{};
  // The game draws a triangle only from the side where its corners, as (v1 - v0) x (v2 - v0)
  // gives the normal, point away from the viewer; a two-sided one from both sides.
  bool two_sided = false;
  bool flat = false;  // drawn in flat_colour instead of the texture's colours
  Rgb flat_colour;
  // Smooth light: each corner is lit by its own normal (pointing out of the side the game
  // shows; any length), and the light is interpolated across the triangle. Otherwise, and at a
  // corner whose normal is zero or not finite, the face's own normal lights it.
  bool smooth = false;
  std::array<Vec3d, 3> normals;
};

// Draws one triangle into the cell of the canvas as the camera sees it, keeping the nearer
// of what is there and the triangle at each pixel. Pixels are sampled at their centres;
// texture coordinates are interpolated perspective-correct and look up the nearest texel
// (clamped to the texture); a texel of alpha 0 leaves the pixel as it was. The colour is
// shaded by the angle between the surface and the camera's light: 0.35 of it for a surface
// turned away from the light or edge-on to it, all of it facing the light, and in between
// 0.35 + 0.65 cos(angle). A triangle facing away
// (unless two-sided), behind a perspective eye, of no area, or with a coordinate that is not
// finite is not drawn. Nothing outside the cell is touched. A null or empty texture counts
// as opaque white. Returns the work done: the rows and pixel centres looked at, at least 1.
// Throws nothing.
std::int64_t draw_triangle(Canvas& canvas, const PixelRect& cell, const Camera& camera,
                           const DrawTriangle& triangle, const RgbaPicture* texture);

}  // namespace tromvex
