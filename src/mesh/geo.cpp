// Reads the 26 parts of a GEO car mesh and links every polygon to its texture by name.
#include "mesh/geo.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>
#include <unordered_map>

#include "common/byte_reader.hpp"
#include "common/bytes.hpp"
#include "common/malformed_file.hpp"

namespace tromvex {
namespace {

// The layout is described in docs/formats.md, "GEO mesh file".
// Bytes 0 to 139 of a GEO file are not interpreted; the first part block follows them.
constexpr std::size_t kGeoFirstPartOffset = 140;
// A part header: vertex count, polygon count, three position values, then 32 unread bytes.
constexpr std::size_t kGeoPartHeaderUnreadSize = 32;
constexpr std::uint64_t kGeoVertexSize = 6;    // x, y, z as signed 16-bit
constexpr std::uint64_t kGeoPolygonSize = 12;  // flags, four index bytes, four name bytes
constexpr std::size_t kGeoIndicesPerPolygon = 4;
constexpr std::size_t kGeoCoordinateSize = 2;
// A polygon: flags (u32), then its four index bytes, then its four name bytes.
constexpr std::size_t kGeoPolygonIndicesOffset = 4;
constexpr std::size_t kGeoPolygonNameOffset = kGeoPolygonIndicesOffset + kGeoIndicesPerPolygon;
// Part 0 starts with ten (0, 0, 0) vertices that the file does not hold; its polygons'
// indices are shifted past them.
constexpr std::int32_t kPart0LeadingVertices = 10;

std::string part_subject(int part) { return "part " + std::to_string(part) + " of the GEO file"; }

void reject_negative(const ByteReader& reader, std::int32_t count, const char* what) {
  if (count < 0) {
    throw MalformedFile(reader.subject() + " has a negative " + what + " count (" +
                        std::to_string(count) + ")");
  }
}

// Checked before anything is allocated for the items, so no file can cost more memory than its
// size implies; the byte count is formed in 64 bits so that no count can overflow it.
void require_items(const ByteReader& reader, std::uint64_t count, std::uint64_t item_size,
                   const char* items) {
  const std::uint64_t needed = count * item_size;
  if (needed > reader.remaining()) {
    throw MalformedFile(reader.subject() + " ends past its end (its " + std::to_string(count) +
                        " " + items + " need " + std::to_string(needed) + " bytes; " +
                        std::to_string(reader.remaining()) + " are left)");
  }
}

// Each item is decoded from a block whose whole length the reader has checked.
GeoVertex decode_vertex(const std::uint8_t* bytes) {
  GeoVertex vertex;
  vertex.x = read_s16_le(bytes);
  vertex.y = read_s16_le(bytes + kGeoCoordinateSize);
  vertex.z = read_s16_le(bytes + 2 * kGeoCoordinateSize);
  return vertex;
}

// Index bytes are passed on as they stand, even past the part's vertices: nothing here
// addresses a vertex through them.
GeoPolygon decode_polygon(const std::uint8_t* bytes, std::int32_t index_shift) {
  GeoPolygon polygon;
  polygon.flags = read_u32_le(bytes);
  for (std::size_t corner = 0; corner < kGeoIndicesPerPolygon; ++corner) {
    polygon.indices[corner] = std::int32_t{bytes[kGeoPolygonIndicesOffset + corner]} + index_shift;
  }
  std::copy_n(bytes + kGeoPolygonNameOffset, polygon.texture_name.size(),
              polygon.texture_name.begin());
  return polygon;
}

Vec3f read_position(ByteReader& reader) {
  const auto scaled = [&reader] {
    return static_cast<float>(static_cast<double>(reader.s32()) * kGeoUnit);
  };
  Vec3f position;
  position.x = scaled();
  position.y = scaled();
  position.z = scaled();
  return position;
}

// The vertex block always holds an even number of vertices: an odd count carries one more,
// which is read and kept like the others. Part 0 first gets its leading (0, 0, 0) vertices.
std::vector<GeoVertex> read_vertex_block(ByteReader& reader, std::int32_t file_count,
                                         std::int32_t leading_vertices) {
  reject_negative(reader, file_count, "vertex");
  const auto stored =
      static_cast<std::uint64_t>(file_count) + static_cast<std::uint64_t>(file_count & 1);
  require_items(reader, stored, kGeoVertexSize, "vertices");
  // Only an image of more than 12 GB could hold this many.
  if (stored + static_cast<std::uint64_t>(leading_vertices) >
      std::numeric_limits<std::int32_t>::max()) {
    throw MalformedFile(reader.subject() + " has too many vertices (" + std::to_string(file_count) +
                        ")");
  }
  std::vector<GeoVertex> vertices(static_cast<std::size_t>(leading_vertices));
  vertices.reserve(vertices.size() + static_cast<std::size_t>(stored));
  const std::uint8_t* bytes = reader.take(static_cast<std::size_t>(stored * kGeoVertexSize)).data();
  for (std::uint64_t v = 0; v < stored; ++v, bytes += kGeoVertexSize) {
    vertices.push_back(decode_vertex(bytes));
  }
  return vertices;
}

std::vector<GeoPolygon> read_polygon_block(ByteReader& reader, std::int32_t count,
                                           std::int32_t index_shift) {
  reject_negative(reader, count, "polygon");
  require_items(reader, static_cast<std::uint64_t>(count), kGeoPolygonSize, "polygons");
  std::vector<GeoPolygon> polygons;
  polygons.reserve(static_cast<std::size_t>(count));
  const std::uint8_t* bytes =
      reader.take(static_cast<std::size_t>(count) * static_cast<std::size_t>(kGeoPolygonSize))
          .data();
  for (std::int32_t p = 0; p < count; ++p, bytes += kGeoPolygonSize) {
    polygons.push_back(decode_polygon(bytes, index_shift));
  }
  return polygons;
}

GeoPart read_part(ByteReader& reader, int part_number) {
  reader.set_subject(part_subject(part_number));
  const std::int32_t leading_vertices = part_number == 0 ? kPart0LeadingVertices : 0;

  GeoPart part;
  const std::int32_t file_vertex_count = reader.s32();
  part.polygon_count = reader.s32();
  part.position = read_position(reader);
  reader.skip(kGeoPartHeaderUnreadSize);
  part.vertices = read_vertex_block(reader, file_vertex_count, leading_vertices);
  part.vertex_count = static_cast<std::int32_t>(part.vertices.size());
  part.polygons = read_polygon_block(reader, part.polygon_count, leading_vertices);
  return part;
}

// Names compare like C strings of at most four characters: equal when all four bytes agree or
// when they agree up to and including a NUL. So a name's key keeps its bytes up to the first
// NUL and zeroes the rest, and two names are equal exactly when their keys are.
std::uint32_t name_key(const TextureName& name) {
  std::uint32_t key = 0;
  for (std::size_t k = 0; k < name.size() && name[k] != 0; ++k) {
    key |= std::uint32_t{name[k]} << (8 * k);
  }
  return key;
}

// Finds texture records by name in constant time, so that a crafted car with many polygons and
// many textures cannot cost polygons times textures comparisons.
class TextureLookup {
 public:
  explicit TextureLookup(std::span<const TextureRecord> textures) {
    // Record 0 is the palette and never matches. Later records overwrite earlier ones: when
    // several records carry the name, the highest-numbered one wins.
    for (std::size_t i = 1; i < textures.size(); ++i) {
      highest_[name_key(textures[i].name)] = static_cast<std::int32_t>(i);
    }
  }

  // The number of the matching record, or -1.
  std::int32_t find(const TextureName& name) const {
    const auto match = highest_.find(name_key(name));
    return match == highest_.end() ? -1 : match->second;
  }

 private:
  std::unordered_map<std::uint32_t, std::int32_t> highest_;
};

}  // namespace

std::int32_t find_texture(const TextureName& name, std::span<const TextureRecord> textures) {
  return TextureLookup(textures).find(name);
}

std::vector<GeoPart> read_geo_mesh(std::span<const std::uint8_t> geo_image,
                                   std::span<const TextureRecord> textures,
                                   MissingTextureSink& on_missing_texture) {
  ByteReader reader(geo_image, "the header of the GEO file");
  reader.seek(kGeoFirstPartOffset);

  // The part blocks follow one another without gaps; whatever follows part 25 is not read.
  std::vector<GeoPart> parts;
  parts.reserve(kGeoPartCount);
  for (int p = 0; p < kGeoPartCount; ++p) parts.push_back(read_part(reader, p));

  const TextureLookup lookup(textures);
  // Only a file that was read whole gets its textures looked up, so a rejected file reports no
  // missing textures; the warnings still come one per polygon, in file order.
  for (GeoPart& part : parts) {
    for (GeoPolygon& polygon : part.polygons) {
      const std::int32_t match = lookup.find(polygon.texture_name);
      if (match < 0) {
        on_missing_texture.missing_texture();
      } else {
        polygon.texture = &textures[static_cast<std::size_t>(match)];
      }
    }
  }
  return parts;
}

}  // namespace tromvex
