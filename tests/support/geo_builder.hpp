// Assembles GEO car mesh images in code, for the tests of every phase that reads one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/bytes.hpp"
#include "common/records.hpp"

namespace tromvex::test {

// Bytes the reader never interprets: byte i of a filled area holds first + i * step (mod 256).
struct Filler {
  std::uint8_t first = 0;
  std::uint8_t step = 0;
};

// One polygon as the file stores it.
struct GeoPolygonSpec {
  std::uint32_t flags = 0;
  std::array<std::uint8_t, 4> indices{};
  TextureName texture_name{};
};

// One part block as the file stores it.
struct GeoPartSpec {
  // The vertex count N written into the block. The builder writes V = N rounded up to even
  // vertices: `vertices` first, then `padding` up to V. A negative N writes `vertices` only.
  std::int32_t vertex_count = 0;
  // The polygon count written into the block; when absent, the number of `polygons`. All of
  // `polygons` are written either way, so a test can make the count lie.
  std::optional<std::int32_t> polygon_count;
  std::array<std::int32_t, 3> position{};  // in units of 1/256
  std::vector<GeoVertex> vertices;
  GeoVertex padding{};
  std::vector<GeoPolygonSpec> polygons;
};

inline constexpr std::size_t kGeoBuilderHeaderSize = 140;
inline constexpr std::size_t kGeoBuilderPartHeaderSize = 52;
inline constexpr std::size_t kGeoBuilderUnreadOffset = 20;  // in a part block
inline constexpr std::size_t kGeoBuilderUnreadSize = 32;
inline constexpr std::size_t kGeoBuilderVertexSize = 6;
inline constexpr std::size_t kGeoBuilderPolygonSize = 12;

// A whole GEO file: the 140-byte header, 26 part blocks, then `trailer`. The default is the
// smallest valid file: 26 parts without vertices or polygons.
struct GeoImageSpec {
  std::array<GeoPartSpec, 26> parts{};
  Filler header;             // bytes 0 to 139
  Filler unread_part_bytes;  // the 32 unread bytes of each part header, restarted per part
  Bytes trailer;
};

Bytes build_geo_image(const GeoImageSpec& spec);

// The offsets at which the 26 part blocks begin, then the offset right after part 25.
std::vector<std::size_t> geo_part_offsets(const GeoImageSpec& spec);

// A four-character texture name written as text ("wgl0"); shorter text is padded with NULs.
TextureName geo_texture_name(const char* text);

}  // namespace tromvex::test
