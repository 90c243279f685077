// Lays the textures out on the atlas canvas.
#include "texture/atlas.hpp"

#include <stdexcept>

namespace tromvex {

TextureAtlas layout_texture_atlas(std::span<TextureRecord>) {
  throw std::logic_error("layout_texture_atlas: not built yet");
}

}  // namespace tromvex
