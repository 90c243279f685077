// A tiny bitmap font for the labels and the legend of a picture.
#pragma once

#include <string_view>

#include "render/raster.hpp"

namespace tromvex {

// Each character is kGlyphWidth x kGlyphHeight dots, drawn scale x scale pixels each, and
// advances by kGlyphAdvance dots. Letters show as capitals; characters the font lacks as '?'.
inline constexpr int kGlyphWidth = 3;
inline constexpr int kGlyphHeight = 5;
inline constexpr int kGlyphAdvance = 4;

// Draws text with its top left corner at (x, y), stopping before a character would pass
// right_limit; pixels outside the picture are left alone. Throws nothing.
void draw_text(Canvas& canvas, int x, int y, std::string_view text, int scale, Rgb colour,
               int right_limit);

}  // namespace tromvex
