// Lays the textures out side by side on one 768-wide canvas of palette indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/records.hpp"

namespace tromvex {

// The tallest canvas a texture archive may ask for: 768 x 65536 bytes = 48 MiB.
inline constexpr std::int32_t kMaxAtlasHeight = 65536;

// Places textures 1 and up in rows, left to right in record order, writes each one's place
// into its atlas_x and atlas_y, and returns the height of the canvas they make; the canvas
// itself is never built (AtlasRowPainter paints the rows asked for). Record 0 (the palette) is
// left alone.
// Throws MalformedFile for a texture wider than 768 (it fits in no row) or a layout taller
// than kMaxAtlasHeight rows; the records are then left unchanged. Asserts what the archive
// reader guarantees of every record: a size that is not negative and pixels enough for it.
std::int32_t layout_texture_atlas(std::span<TextureRecord> textures);

// Paints rows of the canvas that textures placed by layout_texture_atlas make, one at a time
// and without holding the canvas: each texture's pixels at its place, palette index 0 where no
// texture lies. Rows must be asked for in increasing order (the same row again is fine). Takes
// O(textures) work in all, plus the row copies.
class AtlasRowPainter {
 public:
  // The textures must stay where they are while the painter is used. Throws nothing.
  explicit AtlasRowPainter(std::span<const TextureRecord> textures) : textures_(textures) {}

  // Writes canvas row `row` into out, which holds kAtlasWidth bytes. Throws nothing; asserts
  // that no row before one already painted is asked for and that every texture lies in the
  // canvas with pixels enough for its size, as layout_texture_atlas leaves them.
  void paint(std::int64_t row, std::uint8_t* out);

 private:
  std::span<const TextureRecord> textures_;
  std::size_t next_ = 1;  // the first texture not yet taken into a band
  std::int64_t last_row_ = -1;
  std::vector<const TextureRecord*> band_;  // the textures of the current band that have pixels
};

}  // namespace tromvex
