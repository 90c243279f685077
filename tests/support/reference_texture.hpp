// Plain references of the texture phases, the whole canvas at once, that the tests compare the
// program's row-at-a-time atlas and TGA image with.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/bytes.hpp"
#include "common/records.hpp"

namespace tromvex::test {

// A whole atlas canvas: height rows of kAtlasWidth palette indices, row after row.
struct TextureAtlas {
  std::vector<std::uint8_t> pixels;
  std::int32_t height = 0;
};

// Places textures 1 and up as the atlas does (left to right in record order, a new row for a
// texture that does not fit what is left of the row, never back into an earlier row), writes
// their atlas_x and atlas_y, and paints the whole canvas: each texture's first width x height
// pixel bytes at its place, index 0 elsewhere. Checks no limit: give it only textures that
// layout_texture_atlas accepts.
TextureAtlas reference_texture_atlas(std::span<TextureRecord> textures);

// The 256 x 256 pixels of the TGA image of a whole canvas, each worked out on its own: file row
// r, column k shows canvas row r * height / 256, column 3k, through the palette (blue, green,
// red, flag a colour; a colour past the palette's end is all zero): alpha 0 for flag 0, else 100
// with green added to blue and red (wrapping) where green exceeds both by more than 40, else
// 255. All zero for a canvas of height 0.
Bytes reference_tga_pixels(const TextureAtlas& atlas, std::span<const std::uint8_t> palette);

}  // namespace tromvex::test
