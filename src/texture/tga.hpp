// Resamples the texture atlas through the palette into the 256 x 256 32-bit TGA file image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.hpp"
#include "common/records.hpp"

namespace tromvex {

inline constexpr std::size_t kTgaHeaderSize = 18;
inline constexpr std::size_t kTgaFileSize = 262162;

// Returns the complete TGA file of the textures that layout_texture_atlas has placed on an
// atlas of atlas_height rows, with record 0's pixels as the palette: the 18-byte header and
// 256 x 256 pixels (blue, green, red, alpha), row r taken from atlas row r * height / 256,
// column k from atlas column 3k. Only the sampled rows of the atlas are painted, one at a time,
// so the atlas is never held. An atlas of height 0 gives an image whose pixels are all zero.
// A palette index whose colour lies past the end of the palette data reads as (0, 0, 0, 0).
// Throws nothing; asserts that record 0 is there and atlas_height is not negative, and what
// AtlasRowPainter::paint asserts.
Bytes build_tga_image(std::span<const TextureRecord> textures, std::int32_t atlas_height);

}  // namespace tromvex
