// Lays the textures out side by side, in rows, on the 768-wide atlas canvas.
#include "texture/atlas.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/malformed_file.hpp"

namespace tromvex {
namespace {

constexpr auto kCanvasWidth = static_cast<std::size_t>(kAtlasWidth);

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

std::string texture_subject(const TextureRecord& texture, std::size_t number) {
  return "texture " + std::to_string(number) + " ('" + printable_name(texture.name) +
         "') of the texture archive";
}

// A texture wider than the canvas fits in no row, not even an empty one. The size and pixel
// checks hold for every record the archive reader builds; they keep the copy in bounds anyway.
void check_texture(const TextureRecord& texture, std::size_t number) {
  if (texture.width < 0 || texture.height < 0) {
    throw MalformedFile(texture_subject(texture, number) + " has a negative size");
  }
  if (texture.width > kAtlasWidth) {
    throw MalformedFile(texture_subject(texture, number) + " is " + std::to_string(texture.width) +
                        " pixels wide; at most " + std::to_string(kAtlasWidth) + " fit");
  }
  const auto pixel_count =
      static_cast<std::uint64_t>(texture.width) * static_cast<std::uint64_t>(texture.height);
  if (texture.pixels.size() < pixel_count) {
    throw MalformedFile(texture_subject(texture, number) +
                        " holds fewer pixels than its size needs");
  }
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

void copy_onto_canvas(const TextureRecord& texture, const Place& place,
                      std::vector<std::uint8_t>& canvas) {
  const auto width = static_cast<std::size_t>(texture.width);
  const auto canvas_x = static_cast<std::size_t>(place.x);
  const auto canvas_y = static_cast<std::size_t>(place.y);
  for (std::size_t r = 0; r < static_cast<std::size_t>(texture.height); ++r) {
    const auto source = texture.pixels.begin() + static_cast<std::ptrdiff_t>(r * width);
    const auto target =
        canvas.begin() + static_cast<std::ptrdiff_t>((canvas_y + r) * kCanvasWidth + canvas_x);
    std::copy(source, source + static_cast<std::ptrdiff_t>(width), target);
  }
}

}  // namespace

TextureAtlas layout_texture_atlas(std::span<TextureRecord> textures) {
  // Everything is checked and measured before the first record changes.
  for (std::size_t i = 1; i < textures.size(); ++i) check_texture(textures[i], i);
  const Layout layout = plan_layout(textures);
  if (layout.height > kMaxAtlasHeight) {
    throw MalformedFile("the textures of the texture archive need an atlas " +
                        std::to_string(layout.height) + " rows tall; at most " +
                        std::to_string(kMaxAtlasHeight) + " fit");
  }

  TextureAtlas atlas;
  atlas.height = static_cast<std::int32_t>(layout.height);
  // Canvas bytes that no texture covers stay palette index 0.
  atlas.pixels.assign(kCanvasWidth * static_cast<std::size_t>(atlas.height), 0);
  for (std::size_t i = 1; i < textures.size(); ++i) {
    const Place& place = layout.places[i - 1];
    textures[i].atlas_x = place.x;
    textures[i].atlas_y = static_cast<std::int32_t>(place.y);
    copy_onto_canvas(textures[i], place, atlas.pixels);
  }
  return atlas;
}

}  // namespace tromvex
