// Reads the 26 parts of a GEO car mesh and links every polygon to its texture.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/records.hpp"

namespace tromvex {

// Told of each polygon whose texture name matches no texture record. The default does nothing;
// what an implementation throws passes through read_geo_mesh.
class MissingTextureSink {
 public:
  virtual ~MissingTextureSink() = default;
  // Called once for each such polygon, in file order.
  virtual void missing_texture() {}
};

// Returns the number (1 to textures.size() - 1) of the highest-numbered record whose name
// equals name as a bounded 4-character string comparison, or -1. Record 0 is never compared.
// Throws nothing.
std::int32_t find_texture(const TextureName& name, std::span<const TextureRecord> textures);

// Returns the 26 GeoPart records of the image. Polygons point into textures, which must
// outlive them and stay where they are. The whole image is checked before any texture is
// looked up, so a rejected file reports no missing textures.
// Throws MalformedFile naming the part (and what of it) that runs past the end of the image,
// or a count that is negative; otherwise only what on_missing_texture throws.
std::vector<GeoPart> read_geo_mesh(std::span<const std::uint8_t> geo_image,
                                   std::span<const TextureRecord> textures,
                                   MissingTextureSink& on_missing_texture);

}  // namespace tromvex
