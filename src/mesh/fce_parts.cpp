// Gathers the 26 GEO parts into the twelve named parts of an FCE car.
#include "mesh/fce_parts.hpp"

#include <algorithm>
#include <array>
#include <cassert>
#include <string_view>

#include "common/narrow.hpp"

namespace tromvex {
namespace {

// One row of the part table: FCE part k gathers the GEO parts first <= g < last.
struct PartRow {
  std::string_view name;
  int first_geo_part;
  int last_geo_part;
};

// The "Medium" parts gather the same GEO parts as the "High" ones and come out as copies.
constexpr std::array<PartRow, kFcePartCount> kPartTable{{
    {"High Body", 0, 12},
    {"High right front Wheel", 12, 14},
    {"High left front Wheel", 14, 16},
    {"High right rear Wheel", 16, 18},
    {"High left rear Wheel", 18, 20},
    {"Medium Body", 0, 12},
    {"Medium right front Wheel", 12, 14},
    {"Medium left front Wheel", 14, 16},
    {"Medium right rear Wheel", 16, 18},
    {"Medium left rear Wheel", 18, 20},
    {"Small Body", 20, 23},
    {"Tiny Body", 23, 26},
}};

constexpr bool every_name_fits_with_its_terminator() {
  return std::ranges::all_of(kPartTable,
                             [](const PartRow& row) { return row.name.size() < kFcePartNameSize; });
}
static_assert(every_name_fits_with_its_terminator());

// u is a fraction of the atlas width, taken by multiplying with this double constant.
constexpr double kOneOver768 = 1.0 / 768.0;
static_assert(kAtlasWidth == 768);
// The texture rectangle is inset by this many pixels on each side.
constexpr std::int64_t kTextureInset = 2;

// The FCE flags of the triangles of a polygon with and without kGeoFlagTwoSided.
constexpr std::uint32_t kTriangleFlagsTwoSided = 5;
constexpr std::uint32_t kTriangleFlagsOneSided = 1;

// The two triangles of a quadrilateral p0 p1 p2 p3, split along p0-p2, as corner numbers.
using TrianglePair = std::array<std::array<int, 3>, 2>;
constexpr TrianglePair kBackwardOrder{{{0, 3, 2}, {2, 1, 0}}};
constexpr TrianglePair kForwardOrder{{{0, 1, 2}, {2, 3, 0}}};

struct Corner {
  std::int32_t index = 0;
  float u = 0.0f;
  float v = 0.0f;
};

// The texture rectangle of one polygon, inset by two pixels, as fractions of the atlas.
struct TextureRectangle {
  float u_left = 0.0f;
  float u_right = 0.0f;
  float v_top = 0.0f;
  float v_bottom = 0.0f;
};

// v as a fraction of the atlas height; a zero-height atlas (every texture 0 rows high) gives
// 0.0 rather than an infinity or NaN in the file.
float atlas_v(std::int64_t row, std::int32_t atlas_height) {
  if (atlas_height == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(row) / static_cast<double>(atlas_height));
}

// A polygon whose texture is missing keeps its two triangles, with every u and v 0.0.
TextureRectangle texture_rectangle(const TextureRecord* texture, std::int32_t atlas_height) {
  if (texture == nullptr) return {};
  // The sums are taken in 64 bits so that no placement can overflow them; they stay exact in
  // double, and each result is rounded once to float.
  const std::int64_t x = texture->atlas_x;
  const std::int64_t y = texture->atlas_y;
  const std::int64_t w = texture->width;
  const std::int64_t h = texture->height;
  TextureRectangle rectangle;
  rectangle.u_left = static_cast<float>(static_cast<double>(x + kTextureInset) * kOneOver768);
  rectangle.u_right = static_cast<float>(static_cast<double>(x + w - kTextureInset) * kOneOver768);
  rectangle.v_top = atlas_v(y + kTextureInset, atlas_height);
  rectangle.v_bottom = atlas_v(y + h - kTextureInset, atlas_height);
  return rectangle;
}

FceTriangle make_triangle(const std::array<Corner, 4>& corners, const std::array<int, 3>& order,
                          std::uint32_t flags) {
  FceTriangle triangle;
  triangle.flags = flags;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const Corner& corner = corners[static_cast<std::size_t>(order[i])];
    triangle.indices[i] = corner.index;
    triangle.u[i] = corner.u;
    triangle.v[i] = corner.v;
  }
  return triangle;
}

// Hands over the two triangles of one polygon; its indices count from vertex_base.
void add_polygon_triangles(const GeoPolygon& polygon, std::int32_t vertex_base,
                           std::int32_t atlas_height, FcePartSink& sink) {
  const TextureRectangle rect = texture_rectangle(polygon.texture, atlas_height);
  // Each corner has one texture coordinate, the same in both triangles.
  const std::array<float, 4> corner_u{rect.u_left, rect.u_right, rect.u_right, rect.u_left};
  const std::array<float, 4> corner_v{rect.v_bottom, rect.v_bottom, rect.v_top, rect.v_top};
  std::array<Corner, 4> corners;
  for (std::size_t c = 0; c < corners.size(); ++c) {
    corners[c] = {to_int32(std::int64_t{polygon.indices[c]} + vertex_base), corner_u[c],
                  corner_v[c]};
  }

  const std::uint32_t flags =
      (polygon.flags & kGeoFlagTwoSided) != 0 ? kTriangleFlagsTwoSided : kTriangleFlagsOneSided;
  const TrianglePair& order =
      (polygon.flags & kGeoFlagCornerOrder) != 0 ? kForwardOrder : kBackwardOrder;
  sink.triangle(make_triangle(corners, order[0], flags));
  sink.triangle(make_triangle(corners, order[1], flags));
}

// A GEO part's vertices are relative to its own position, so the vertices of every gathered
// part after the first are moved by the difference between its position and the first one's.
// The sum is taken in double and rounded once; with equal positions it is exactly c / 256.
float fce_coordinate(std::int16_t coordinate, float own_position, float first_position) {
  const double offset = static_cast<double>(own_position) - static_cast<double>(first_position);
  return static_cast<float>((static_cast<double>(coordinate) + offset) * kGeoUnit);
}

void add_geo_part(const GeoPart& geo, const GeoPart& first_geo, std::int32_t vertex_base,
                  std::int32_t atlas_height, FcePartSink& sink) {
  assert(geo.vertices.size() == static_cast<std::size_t>(geo.vertex_count));
  assert(geo.polygons.size() == static_cast<std::size_t>(geo.polygon_count));
  for (const GeoVertex& vertex : geo.vertices) {
    sink.vertex({fce_coordinate(vertex.x, geo.position.x, first_geo.position.x),
                 fce_coordinate(vertex.y, geo.position.y, first_geo.position.y),
                 fce_coordinate(vertex.z, geo.position.z, first_geo.position.z)});
  }
  for (const GeoPolygon& polygon : geo.polygons) {
    add_polygon_triangles(polygon, vertex_base, atlas_height, sink);
  }
}

// The GEO parts that FCE part k gathers.
std::span<const GeoPart> gathered_parts(std::size_t k, std::span<const GeoPart> geo_parts) {
  assert(geo_parts.size() == kGeoPartCount && k < kPartTable.size());
  const PartRow& row = kPartTable[k];
  return geo_parts.subspan(static_cast<std::size_t>(row.first_geo_part),
                           static_cast<std::size_t>(row.last_geo_part - row.first_geo_part));
}

// FCE part k without its arrays: name, counts and position.
FcePart describe_fce_part(std::size_t k, std::span<const GeoPart> geo_parts) {
  const auto gathered = gathered_parts(k, geo_parts);
  FcePart part;
  std::ranges::copy(kPartTable[k].name, part.name.begin());  // the rest of the field stays zero
  std::int64_t vertex_sum = 0;
  std::int64_t polygon_sum = 0;
  for (const GeoPart& geo : gathered) {
    vertex_sum += geo.vertex_count;
    polygon_sum += geo.polygon_count;
  }
  part.vertex_count = to_int32(vertex_sum);
  part.triangle_count = to_int32(2 * polygon_sum);
  const GeoPart& first_geo = gathered.front();
  // Scaled in float: 1/256 is exact there, so only the product is rounded.
  constexpr auto unit = static_cast<float>(kGeoUnit);
  part.position = {first_geo.position.x * unit, first_geo.position.y * unit,
                   first_geo.position.z * unit};
  return part;
}

}  // namespace

FceParts describe_fce_parts(std::span<const GeoPart> geo_parts) {
  FceParts parts;
  for (std::size_t k = 0; k < parts.size(); ++k) parts[k] = describe_fce_part(k, geo_parts);
  return parts;
}

void assemble_fce_parts(std::span<const GeoPart> geo_parts, std::int32_t atlas_height,
                        FcePartSink& sink) {
  for (std::size_t k = 0; k < kPartTable.size(); ++k) {
    sink.start_part(k);
    const auto gathered = gathered_parts(k, geo_parts);
    // Each GEO part's indices count from the first vertex it contributes.
    std::int64_t vertex_base = 0;
    for (const GeoPart& geo : gathered) {
      add_geo_part(geo, gathered.front(), to_int32(vertex_base), atlas_height, sink);
      vertex_base += geo.vertex_count;
    }
  }
}

}  // namespace tromvex
