// Lays the textures out side by side on one 768-wide canvas of palette indices.
#pragma once

#include <span>

#include "common/records.hpp"

namespace tromvex {

// The tallest canvas a texture archive may ask for: 768 x 65536 bytes = 48 MiB.
inline constexpr std::int32_t kMaxAtlasHeight = 65536;

// Places textures 1 and up in rows, left to right in record order, writes each one's place
// into its atlas_x and atlas_y, and copies its pixels onto the canvas. Record 0 (the palette)
// is left alone. Canvas bytes no texture covers are index 0.
// Throws MalformedFile for a texture wider than 768 (it fits in no row) or a layout taller
// than kMaxAtlasHeight rows; the records are then left unchanged.
TextureAtlas layout_texture_atlas(std::span<TextureRecord> textures);

}  // namespace tromvex
