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

Bytes reference_tga_pixels(const TextureAtlas& atlas, std::span<const std::uint8_t> palette) {
  constexpr std::size_t kSide = 256;
  Bytes pixels(kSide * kSide * 4, 0);
  if (atlas.height == 0) return pixels;
  for (std::size_t r = 0; r < kSide; ++r) {
    const std::size_t canvas_row = r * static_cast<std::size_t>(atlas.height) / kSide;
    for (std::size_t k = 0; k < kSide; ++k) {
      const std::size_t colour = atlas.pixels[canvas_row * kAtlasRowSize + 3 * k];
      std::uint8_t* pixel = &pixels[4 * (r * kSide + k)];
      if (4 * colour + 4 > palette.size()) continue;  // stays (0, 0, 0, 0)
      const int blue = palette[4 * colour];
      const int green = palette[4 * colour + 1];
      const int red = palette[4 * colour + 2];
      const bool clear = palette[4 * colour + 3] == 0;
      const bool green_tinted = !clear && green > blue + 40 && green > red + 40;
      pixel[0] = static_cast<std::uint8_t>(green_tinted ? blue + green : blue);
      pixel[1] = static_cast<std::uint8_t>(green);
      pixel[2] = static_cast<std::uint8_t>(green_tinted ? red + green : red);
      pixel[3] = clear ? 0 : green_tinted ? 100 : 255;
    }
  }
  return pixels;
}

}  // namespace tromvex::test
