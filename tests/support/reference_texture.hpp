// Plain references of the texture phases, the whole canvas at once, that the tests compare the
// program's row-at-a-time atlas and TGA image with.
#pragma once

#include <span>

#include "common/records.hpp"

namespace tromvex::test {

// Places textures 1 and up as the atlas does (left to right in record order, a new row for a
// texture that does not fit what is left of the row, never back into an earlier row), writes
// their atlas_x and atlas_y, and paints the whole canvas: each texture's first width x height
// pixel bytes at its place, index 0 elsewhere. Checks no limit: give it only textures that
// layout_texture_atlas accepts.
TextureAtlas reference_texture_atlas(std::span<TextureRecord> textures);

}  // namespace tromvex::test
