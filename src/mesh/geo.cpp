// Reads a GEO car mesh.
#include "mesh/geo.hpp"

#include <stdexcept>

namespace tromvex {

std::int32_t find_texture(const TextureName&, std::span<const TextureRecord>) {
  throw std::logic_error("find_texture: not built yet");
}

std::vector<GeoPart> read_geo_mesh(std::span<const std::uint8_t>, std::span<const TextureRecord>,
                                   const MissingTextureSink&) {
  throw std::logic_error("read_geo_mesh: not built yet");
}

}  // namespace tromvex
