// The whole conversion of a car in memory.
#include "pipeline/convert.hpp"

#include <utility>
#include <vector>

#include "mesh/fce_image.hpp"
#include "mesh/geo.hpp"
#include "texture/atlas.hpp"
#include "texture/shpi.hpp"
#include "texture/texture_file.hpp"
#include "texture/tga.hpp"

namespace tromvex {

CarImages convert_car(std::span<const std::uint8_t> geo_image, Bytes texture_file,
                      ConversionEvents& events) {
  Bytes archive = read_texture_file(std::move(texture_file));

  events.before(Phase::texture_directory);
  std::vector<TextureRecord> textures = read_shpi_directory(archive);

  events.before(Phase::mesh);
  const std::vector<GeoPart> geo_parts =
      read_geo_mesh(geo_image, textures, [&events] { events.missing_texture(); });

  events.before(Phase::texture_conversion);
  CarImages images;
  // Only the canvas rows that the TGA image samples are ever painted; only the height of the
  // atlas lives on.
  const std::int32_t atlas_height = place_textures(textures);
  images.tga_image = build_tga_image(textures, atlas_height);
  // The pictures are painted; the mesh needs only their places. The archive's memory goes back
  // before the mesh conversion asks for its own.
  for (TextureRecord& texture : textures) texture.pixels = {};
  Bytes().swap(archive);

  events.before(Phase::mesh_conversion);
  images.fce_image = build_fce_image(geo_parts, atlas_height);
  return images;
}

}  // namespace tromvex
