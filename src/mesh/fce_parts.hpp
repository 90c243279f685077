// Gathers the 26 GEO parts into the twelve named parts of an FCE car.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/records.hpp"

namespace tromvex {

// The twelve FcePart records of the 26 GEO parts, without their arrays: name, vertex and
// triangle counts (two triangles a polygon), and position (the first gathered GEO part's, scaled
// by kGeoUnit); first_vertex and first_triangle 0. The inputs are not changed. Throws nothing;
// asserts that geo_parts are 26 parts.
FceParts describe_fce_parts(std::span<const GeoPart> geo_parts);

// Receives the twelve FCE parts as assemble_fce_parts makes them: the start of each part in
// turn, then its vertices and triangles. What an implementation throws passes through
// assemble_fce_parts.
class FcePartSink {
 public:
  virtual ~FcePartSink() = default;
  virtual void start_part(std::size_t k) = 0;
  virtual void vertex(const Vec3f& vertex) = 0;
  virtual void triangle(const FceTriangle& triangle) = 0;
};

// Assembles FCE parts 0 to 11 from the 26 GEO parts and the atlas height, and hands them to
// sink, each part's vertices and triangles after its start: as many as describe_fce_parts
// counts, vertices scaled by kGeoUnit (their normals are zero and not handed over), two
// triangles a polygon with texture coordinates into the atlas and indices counted from the
// part's own first vertex. The inputs are not changed. Throws only what sink throws; asserts
// that geo_parts are 26 parts as read_geo_mesh returns them (arrays matching their counts).
void assemble_fce_parts(std::span<const GeoPart> geo_parts, std::int32_t atlas_height,
                        FcePartSink& sink);

}  // namespace tromvex
