// Plain references of the texture phases, the whole canvas at once.
#include "support/reference_texture.hpp"

#include <algorithm>
#include <cstddef>

namespace tromvex::test {

TextureAtlas reference_texture_atlas(std::span<TextureRecord> textures) {
  std::int32_t left = 0;
  std::int32_t row_top = 0;
  std::int32_t row_bottom = 0;  // the lowest texture bottom in the current row
  for (std::size_t i = 1; i < textures.size(); ++i) {
    TextureRecord& texture = textures[i];
    if (left + texture.width > kAtlasWidth) {
      row_top = row_bottom;
      left = 0;
    }
    texture.atlas_x = left;
    texture.atlas_y = row_top;
    left += texture.width;
    row_bottom = std::max(row_bottom, row_top + texture.height);
  }

  TextureAtlas atlas;
  atlas.height = row_bottom;
  atlas.pixels.assign(kAtlasRowSize * static_cast<std::size_t>(atlas.height), 0);
  for (std::size_t i = 1; i < textures.size(); ++i) {
    const TextureRecord& texture = textures[i];
    for (std::int32_t y = 0; y < texture.height; ++y) {
      for (std::int32_t x = 0; x < texture.width; ++x) {
        const auto canvas_at = static_cast<std::size_t>(texture.atlas_y + y) * kAtlasRowSize +
                               static_cast<std::size_t>(texture.atlas_x + x);
        atlas.pixels[canvas_at] = texture.pixels[static_cast<std::size_t>(y * texture.width + x)];
      }
    }
  }
  return atlas;
}

}  // namespace tromvex::test
