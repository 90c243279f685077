// Reads tromvex-view's pictures back: where its views lie, and which part a pixel shows.
#pragma once

#include <array>
#include <cstddef>
#include <optional>

#include "common/picture.hpp"
#include "render/raster.hpp"

namespace tromvex::test {

// The four views of a picture width pixels wide, as the README describes them: left side and
// front above, top and front right below, each half the width wide and a quarter tall.
std::array<PixelRect, 4> view_cells(int width);

Rgb pixel_at(const RgbaPicture& picture, int x, int y);

// The part (0 to parts - 1) whose --parts colour the pixel shows in some light (the colour
// times a shade of 0.3 to 1, to the nearest level), or nothing.
std::optional<std::size_t> part_shown(Rgb pixel, std::size_t parts);

// Where part shows inside rect: the mean position of its pixels, and how many there are.
struct Spot {
  double x = 0.0;
  double y = 0.0;
  int pixels = 0;
};
Spot spot_of(const RgbaPicture& picture, const PixelRect& rect, std::size_t part,
             std::size_t parts);

}  // namespace tromvex::test
