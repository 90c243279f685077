// The whole conversion of a car in memory.
#include "pipeline/convert.hpp"

#include <utility>
#include <vector>

#include "mesh/fce_image.hpp"
#include "mesh/fce_parts.hpp"
#include "mesh/geo.hpp"
#include "mesh/placement.hpp"
#include "texture/atlas.hpp"
#include "texture/shpi.hpp"
#include "texture/texture_file.hpp"
#include "texture/tga.hpp"

namespace tromvex {

CarImages convert_car(std::span<const std::uint8_t> geo_image, Bytes texture_file,
                      ConversionEvents& events) {
  const Bytes archive = read_texture_file(std::move(texture_file));

  events.before(Phase::texture_directory);
  std::vector<TextureRecord> textures = read_shpi_directory(archive);

  events.before(Phase::mesh);
  const std::vector<GeoPart> geo_parts =
      read_geo_mesh(geo_image, textures, [&events] { events.missing_texture(); });

  events.before(Phase::texture_conversion);
  CarImages images;
  std::int32_t atlas_height = 0;
  {
    // The canvas is released as soon as the TGA image is built; only its height lives on.
    const TextureAtlas atlas = layout_texture_atlas(textures);
    images.tga_image = build_tga_image(atlas, textures.front().pixels);
    atlas_height = atlas.height;
  }

  events.before(Phase::mesh_conversion);
  FceParts parts = assemble_fce_parts(geo_parts, atlas_height);
  const FceTotals totals = assign_first_indices(parts);
  centre_wheel_parts(parts);
  images.fce_image = build_fce_image(parts, totals);
  return images;
}

}  // namespace tromvex
