// Builds the TGA file image.
#include "texture/tga.hpp"

#include <stdexcept>

namespace tromvex {

Bytes build_tga_image(const TextureAtlas&, std::span<const std::uint8_t>) {
  throw std::logic_error("build_tga_image: not built yet");
}

}  // namespace tromvex
