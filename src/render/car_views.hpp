// Draws an FCE car from four sides into one picture, to see at a glance whether it is right.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/picture.hpp"
#include "mesh/fce_reader.hpp"
#include "render/raster.hpp"

namespace tromvex {

inline constexpr int kMinPictureWidth = 64;
inline constexpr int kMaxPictureWidth = 4096;
inline constexpr int kDefaultPictureWidth = 1024;

struct CarViewOptions {
  int width = kDefaultPictureWidth;  // kMinPictureWidth to kMaxPictureWidth
  // Each part in a flat colour of its own, with a legend of their names below the views.
  bool colour_parts = false;
};

// The flat colour options.colour_parts gives the n-th part drawn, and its swatch in the
// legend. Throws nothing.
Rgb part_colour(std::size_t n);

struct CarViews {
  RgbaPicture picture;
  int parts_drawn = 0;
  std::int64_t triangles_drawn = 0;  // the triangles of the parts drawn
};

// Draws the parts the player sees, parts 0 to 4 (those that exist: the high body and its
// wheels, whatever their names), four times, side by side and each framed on the vertices
// their triangles use: from the left side, from the front, from above (front on the left) and
// from the front right and above in perspective, over a plain background with the ground line
// (the lowest vertex) in the side and front views. A part with any normal that is not zero is
// lit smoothly by its vertex normals, any other part face by face. The picture is
// options.width pixels wide and half as tall, plus the legend. The texture is the car's (v up
// from its bottom row); its alpha-0 texels are cut out. Asserts that options.width is in range
// (the caller checks what a user asked for) and that the car has a normal a vertex.
// Throws MalformedFile for a car whose triangles cover a view more than 256 times over, so
// that drawing any file costs the picture, its depth buffer and time in proportion to the
// picture and the triangles; and std::bad_alloc.
CarViews render_car_views(const FceCar& car, const RgbaPicture& texture,
                          const CarViewOptions& options);

}  // namespace tromvex
