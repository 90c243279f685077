// Lays the textures out side by side, in rows, on the 768-wide atlas canvas.
#include "texture/atlas.hpp"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/malformed_file.hpp"
#include "texture/shpi.hpp"

namespace tromvex {
namespace {

// A texture's top-left corner on the canvas. Rows are summed in 64 bits so that no archive
// can overflow them before the height limit is checked.
struct Place {
  std::int32_t x = 0;
  std::int64_t y = 0;
};

struct Layout {
  std::vector<Place> places;  // places[i - 1] belongs to texture record i
  std::int64_t height = 0;
};

// Whether a texture's pixels fill its width x height; the archive reader makes every record so.
[[maybe_unused]] bool holds_its_pixels(const TextureRecord& texture) {
  return texture.width >= 0 && texture.height >= 0 &&
         texture.pixels.size() >=
             static_cast<std::uint64_t>(texture.width) * static_cast<std::uint64_t>(texture.height);
}

// A texture wider than the canvas fits in no row, not even an empty one.
void check_texture(const TextureRecord& texture, std::size_t number) {
  if (texture.width > kAtlasWidth) {
    throw MalformedFile(picture_subject(number, texture.name) + " is " +
                        std::to_string(texture.width) + " pixels wide; at most " +
                        std::to_string(kAtlasWidth) + " fit");
  }
  assert(holds_its_pixels(texture));
}

// Textures go left to right in record order; one that does not fit in what is left of the row
// starts the next row, whose top is the current row's top plus its tallest texture. No texture
// goes back into an earlier row, even where a gap would hold it.
Layout plan_layout(std::span<const TextureRecord> textures) {
  Layout layout;
  std::int32_t x = 0;
  std::int64_t row_top = 0;
  std::int32_t row_height = 0;
  for (std::size_t i = 1; i < textures.size(); ++i) {
    const TextureRecord& texture = textures[i];
    if (x + texture.width > kAtlasWidth) {
      row_top += row_height;
      x = 0;
      row_height = 0;
    }
    layout.places.push_back({x, row_top});
    x += texture.width;
    row_height = std::max(row_height, texture.height);
  }
  layout.height = row_top + row_height;
  return layout;
}

}  // namespace

std::int32_t layout_texture_atlas(std::span<TextureRecord> textures) {
  // Everything is checked and measured before the first record changes.
  for (std::size_t i = 1; i < textures.size(); ++i) check_texture(textures[i], i);
  const Layout layout = plan_layout(textures);
  if (layout.height > kMaxAtlasHeight) {
    throw MalformedFile("the textures of the texture archive need an atlas " +
                        std::to_string(layout.height) + " rows tall; at most " +
                        std::to_string(kMaxAtlasHeight) + " fit");
  }
  for (std::size_t i = 1; i < textures.size(); ++i) {
    const Place& place = layout.places[i - 1];
    textures[i].atlas_x = place.x;
    textures[i].atlas_y = static_cast<std::int32_t>(place.y);
  }
  return static_cast<std::int32_t>(layout.height);
}

// Textures come in rows (bands) whose tops grow in record order, and a band's textures cover
// only rows above the next band's top; so the textures that can cover a row are those of the
// last band whose top is not below it. Each band is gathered once, keeping only the textures
// with pixels: at most 768 of them, since their widths add up to at most 768.
void AtlasRowPainter::paint(std::int64_t row, std::uint8_t* out) {
  assert(row >= last_row_);
  last_row_ = row;
  while (next_ < textures_.size() && textures_[next_].atlas_y <= row) {
    const std::int32_t top = textures_[next_].atlas_y;
    band_.clear();
    for (; next_ < textures_.size() && textures_[next_].atlas_y == top; ++next_) {
      const TextureRecord& texture = textures_[next_];
      if (texture.width <= 0 || texture.height <= 0) continue;
      assert(holds_its_pixels(texture) && texture.atlas_x >= 0 &&
             texture.atlas_x <= kAtlasWidth - texture.width);
      band_.push_back(&texture);
    }
  }
  // Canvas bytes that no texture covers are palette index 0.
  std::memset(out, 0, kAtlasRowSize);
  for (const TextureRecord* texture : band_) {
    const std::int64_t texture_row = row - texture->atlas_y;
    if (texture_row < 0 || texture_row >= texture->height) continue;
    const auto width = static_cast<std::size_t>(texture->width);
    std::memcpy(out + texture->atlas_x,
                texture->pixels.data() + static_cast<std::size_t>(texture_row) * width, width);
  }
}

}  // namespace tromvex
