// Writes GEO mesh files and SHPI texture archives from parts and pictures built in code.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "common/bytes.hpp"
#include "common/records.hpp"

namespace tromvex {

// Polygon flag bits the converter reads: 0x04 chooses the corner order of the two triangles,
// 0x10 marks the triangles with FCE flags 5 instead of 1.
inline constexpr std::uint32_t kGeoFlagCornerOrder = 0x04;
inline constexpr std::uint32_t kGeoFlagFive = 0x10;

struct GeoPolygonSpec {
  std::uint32_t flags = 0;
  std::array<std::uint8_t, 4> indices{};  // into the part's own vertices, as the file holds them
  TextureName texture{};
};

struct GeoPartSpec {
  std::vector<GeoVertex> vertices;  // any count; an odd one gets a (0, 0, 0) vertex after it
  std::vector<GeoPolygonSpec> polygons;
  std::array<std::int32_t, 3> position{};  // in the file's units: 65536 is one FCE unit
};

// The GEO file of 26 parts: a zero 140-byte header, then each part block with its counts, its
// position, 32 zero bytes, its vertices padded to an even number, and its polygons.
Bytes write_geo_file(std::span<const GeoPartSpec, kGeoPartCount> parts);

// One picture of an SHPI archive.
struct ShpiPicture {
  TextureName name{};
  std::uint8_t type_code = 0;  // 0x7B: one palette index a pixel; others: four bytes a pixel
  std::int16_t width = 0;
  std::int16_t height = 0;
  Bytes pixels;  // width * height bytes for type 0x7B, four times that otherwise
};

// The SHPI archive: "SHPI", its length, the entry count, "GIMX", the directory of names and
// offsets, then each picture's 16-byte header and pixel data, in order.
Bytes write_shpi_archive(std::span<const ShpiPicture> pictures);

// A 4-byte name from a text of at most four characters, NUL-padded.
TextureName texture_name(const char* text);

}  // namespace tromvex
