// Writes GEO mesh files and SHPI texture archives from parts and pictures described in code:
// the one writer behind the sample car, the benchmarks' cars and the tests' inputs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/records.hpp"

namespace tromvex {

// The GEO file layout: a 140-byte header, then 26 part blocks of a 52-byte header (vertex
// count, polygon count, three position values, 32 unread bytes), 6-byte vertices and
// 12-byte polygons.
inline constexpr std::size_t kGeoFileHeaderSize = 140;
inline constexpr std::size_t kGeoFilePartHeaderSize = 52;
inline constexpr std::size_t kGeoFileUnreadOffset = 20;  // in a part block
inline constexpr std::size_t kGeoFileUnreadSize = 32;
inline constexpr std::size_t kGeoFileVertexSize = 6;
inline constexpr std::size_t kGeoFilePolygonSize = 12;

// Bytes a reader never interprets: byte i of a filled area holds first + i * step (mod 256).
struct ByteFiller {
  std::uint8_t first = 0;
  std::uint8_t step = 0;
};

// One polygon as the GEO file stores it.
struct GeoFilePolygon {
  std::uint32_t flags = 0;
  std::array<std::uint8_t, 4> indices{};  // into the part's own vertices, as the file holds them
  TextureName texture_name{};
};

// One part block as the GEO file stores it.
struct GeoFilePart {
  // The vertex count N written into the block. V = N rounded up to even vertices are written:
  // `vertices` first, then `padding` up to V. A negative N writes `vertices` only.
  std::int32_t vertex_count = 0;
  // The polygon count written into the block; when absent, the number of `polygons`. All of
  // `polygons` are written either way, so a test can make the count lie.
  std::optional<std::int32_t> polygon_count;
  std::array<std::int32_t, 3> position{};  // in units of 1/256 of a vertex unit
  std::vector<GeoVertex> vertices;
  GeoVertex padding{};
  std::vector<GeoFilePolygon> polygons;
};

// A whole GEO file: the 140-byte header, 26 part blocks, then `trailer`. The default is the
// smallest valid file: 26 parts without vertices or polygons.
struct GeoFile {
  std::array<GeoFilePart, kGeoPartCount> parts{};
  ByteFiller header;             // bytes 0 to 139
  ByteFiller unread_part_bytes;  // the 32 unread bytes of each part header, restarted per part
  Bytes trailer;
};

// Throws std::invalid_argument for a part with more vertices than its count holds.
Bytes write_geo_file(const GeoFile& geo);

// The offsets at which the 26 part blocks begin, then the offset right after part 25.
std::vector<std::size_t> geo_part_offsets(const GeoFile& geo);

// The SHPI archive layout: a 16-byte header ("SHPI", length, entry count, "GIMX"), 8-byte
// directory entries (name, offset), and pictures of a 16-byte header and their pixel data.
inline constexpr std::size_t kShpiHeaderSize = 16;
inline constexpr std::size_t kShpiEntrySize = 8;
inline constexpr std::size_t kShpiPictureHeaderSize = 16;
inline constexpr std::uint8_t kShpiIndexedType = 0x7B;  // one palette index a pixel

// One picture of an SHPI archive. Every field is written as given, even when it disagrees
// with the pixel data, so tests can build broken pictures too.
struct ShpiPicture {
  std::string name;                            // exactly 4 bytes, any values
  std::uint8_t type_byte0 = kShpiIndexedType;  // the type code; 0x7B 0x00 is 8-bit indexed
  std::uint8_t type_byte1 = 0x00;
  std::int16_t width = 0;
  std::int16_t height = 0;
  std::int16_t value_at_8 = 0;   // becomes the record's atlas_x
  std::int16_t value_at_10 = 0;  // becomes the record's atlas_y
  std::uint32_t header_word = 0;
  Bytes pixels;  // written right after the 16-byte picture header
};

// The archive: the header with entry count N = pictures + 1, N directory entries, then the
// pictures one after another in order. The extra last entry, named "LAST", points at the end
// of the archive; converters never read it. Throws std::invalid_argument for a name that is
// not 4 bytes.
Bytes write_shpi_archive(const std::vector<ShpiPicture>& pictures);

// The offset of entry `entry`'s picture, read back from the archive's directory.
std::size_t shpi_picture_offset(const Bytes& archive, std::size_t entry);

// A 4-byte name from a text of at most four characters, NUL-padded.
TextureName texture_name(const char* text);

}  // namespace tromvex
