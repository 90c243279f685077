// The records the phases of a conversion hand to one another.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tromvex {

// Four name bytes, taken as they are: no terminator, case-sensitive.
using TextureName = std::array<std::uint8_t, 4>;

// A name as a message shows it: the bytes up to the first NUL, with every byte that is not
// printable ASCII, and the quote and backslash, written as \xNN. Throws nothing.
std::string printable_name(const TextureName& name);
// The same for a name of any length, all of whose bytes are shown.
std::string printable_name(std::string_view name);

// A byte as messages show it: two upper-case hexadecimal digits ("0A", "FB"). Throws
// std::bad_alloc only.
std::string hex_byte(std::uint8_t value);

struct Vec3f {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  bool operator==(const Vec3f&) const = default;
};

// One picture of the SHPI texture archive. Record 0 of a table is the palette
// (4 bytes a colour: blue, green, red, flag); records 1 and up are the textures.
struct TextureRecord {
  TextureName name{};
  std::int32_t type = 0;          // the picture's type word, sign-extended; 123 is 8-bit indexed
  std::int32_t width = 0;         // never negative once read
  std::int32_t height = 0;        // never negative once read
  std::int32_t atlas_x = 0;       // the canvas column of the texture's left edge, once laid out
  std::int32_t atlas_y = 0;       // the canvas row of the texture's top edge, once laid out
  std::uint32_t header_word = 0;  // carried along, read by nobody
  std::span<const std::uint8_t> pixels;  // the picture's pixel data, viewed in the archive
};

// GEO coordinates and positions count in GEO units: 1/256 of an FCE unit.
inline constexpr double kGeoUnit = 1.0 / 256.0;

// One vertex of a GEO part, in GEO units.
struct GeoVertex {
  std::int16_t x = 0;
  std::int16_t y = 0;
  std::int16_t z = 0;
  bool operator==(const GeoVertex&) const = default;
};

// The polygon flag bits the converter reads. A polygon p0 p1 p2 p3 becomes two triangles split
// along p0-p2: (p0 p1 p2), (p2 p3 p0) with kGeoFlagCornerOrder set, (p0 p3 p2), (p2 p1 p0) with
// it clear. kGeoFlagTwoSided gives both triangles FCE flags 5, drawn from both sides, instead of 1.
inline constexpr std::uint32_t kGeoFlagCornerOrder = 0x04;
inline constexpr std::uint32_t kGeoFlagTwoSided = 0x10;

// One four-cornered polygon of a GEO part.
struct GeoPolygon {
  TextureName texture_name{};
  std::uint32_t flags = 0;
  std::array<std::int32_t, 4> indices{};   // into the part's vertices; part 0's are shifted by 10
  const TextureRecord* texture = nullptr;  // the matching texture record, not owned; null if none
};

// One of the 26 parts of a GEO car.
struct GeoPart {
  std::int32_t vertex_count = 0;  // the file's count rounded up to even; part 0 has 10 more
  std::int32_t polygon_count = 0;
  std::vector<GeoVertex> vertices;
  std::vector<GeoPolygon> polygons;
  Vec3f position;  // the file's position times kGeoUnit
};

inline constexpr int kGeoPartCount = 26;

// The 768-wide canvas of palette indices on which every texture gets its place.
inline constexpr std::int32_t kAtlasWidth = 768;
// The bytes of one canvas row: one palette index a pixel.
inline constexpr std::size_t kAtlasRowSize = kAtlasWidth;

// One triangle of an FCE part.
struct FceTriangle {
  std::array<std::int32_t, 3> indices{};  // counted from the part's own first vertex
  std::uint32_t flags = 0;                // 5 for a polygon with kGeoFlagTwoSided, else 1
  std::array<float, 3> u{};
  std::array<float, 3> v{};
  bool operator==(const FceTriangle&) const = default;
};

inline constexpr int kFcePartCount = 12;
inline constexpr int kFcePartNameSize = 40;

// One of the twelve parts of an FCE car.
struct FcePart {
  std::int32_t vertex_count = 0;
  std::int32_t triangle_count = 0;
  std::int32_t first_vertex = 0;              // among all vertices of the car
  std::int32_t first_triangle = 0;            // among all triangles of the car
  std::array<char, kFcePartNameSize> name{};  // NUL-terminated
  std::vector<Vec3f> vertices;
  std::vector<Vec3f> normals;
  std::vector<FceTriangle> triangles;
  Vec3f position;
};

using FceParts = std::array<FcePart, kFcePartCount>;

// The vertex total V and triangle total T of a whole FCE car.
struct FceTotals {
  std::int32_t vertex_total = 0;
  std::int32_t triangle_total = 0;
};

}  // namespace tromvex
