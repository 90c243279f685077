// The whole conversion of a car in memory.
#include "pipeline/convert.hpp"

#include <new>
#include <utility>
#include <vector>

#include "mesh/fce_image.hpp"
#include "mesh/geo.hpp"
#include "texture/atlas.hpp"
#include "texture/shpi.hpp"
#include "texture/texture_file.hpp"
#include "texture/tga.hpp"

namespace tromvex {
namespace {

// A polygon takes 12 bytes of the GEO file and one GeoPolygon in memory; a vertex takes as many
// bytes in both. So the GEO tables take at most this many bytes of memory per byte of the file.
constexpr std::size_t kGeoPolygonFileSize = 12;
// Room for the texture directory and the small blocks of the mesh reading.
constexpr std::size_t kDirectoryRoom = 8 * 1024;
// A car whose tables would need more than this gets no room.
constexpr std::size_t kLargestRoom = std::size_t{64} << 20;

// Reserves (without touching it) the memory of the blocks that the conversion takes while the
// expanded archive lives and keeps after it: the GEO tables, the texture directory and the TGA
// image. Reserved before the archive and released once it is there, the room takes those blocks
// below the archive, which is then the heap's last block; released after the TGA image is
// painted, its pages, already touched, become the start of the FCE image instead of fresh ones.
// Where the heap works otherwise, or memory is short, nothing is lost but the reservation.
Bytes reserve_room_below_archive(std::size_t geo_size) {
  const std::size_t tables = (geo_size / kGeoPolygonFileSize + 1) * sizeof(GeoPolygon);
  const std::size_t room = tables + kDirectoryRoom + kTgaFileSize;
  Bytes reserved;
  if (room > kLargestRoom) return reserved;
  try {
    reserved.reserve(room);
  } catch (const std::bad_alloc&) {
    // No room then: the conversion itself needs far less than the reservation.
  }
  return reserved;
}

}  // namespace

CarImages convert_car(std::span<const std::uint8_t> geo_image, Bytes texture_file,
                      ConversionEvents& events) {
  Bytes archive;
  {  // the room goes back as soon as the archive stands above it
    const Bytes room = reserve_room_below_archive(geo_image.size());
    archive = read_texture_file(std::move(texture_file));
  }

  events.before(Phase::texture_directory);
  std::vector<TextureRecord> textures = read_shpi_directory(archive);

  events.before(Phase::mesh);
  const std::vector<GeoPart> geo_parts = read_geo_mesh(geo_image, textures, events);

  events.before(Phase::texture_conversion);
  CarImages images;
  // Only the canvas rows that the TGA image samples are ever painted; only the height of the
  // atlas lives on.
  const std::int32_t atlas_height = layout_texture_atlas(textures);
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
