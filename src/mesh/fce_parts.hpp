// Gathers the 26 GEO parts into the twelve named parts of an FCE car.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/records.hpp"

namespace tromvex {

// Builds the twelve FcePart records from the 26 GEO parts and the atlas height: vertices
// scaled by kGeoUnit, zero normals, two triangles per polygon with texture coordinates into the
// atlas. first_vertex and first_triangle are left 0. The inputs are not changed. Throws
// nothing; asserts that geo_parts are 26 parts as read_geo_mesh returns them (arrays matching
// their counts).
FceParts assemble_fce_parts(std::span<const GeoPart> geo_parts, std::int32_t atlas_height);

// Receives the vertices and triangles of one FCE part as they are assembled, in order. What
// an implementation throws passes through assemble_fce_part.
class FcePartSink {
 public:
  virtual ~FcePartSink() = default;
  virtual void vertex(const Vec3f& vertex) = 0;
  virtual void triangle(const FceTriangle& triangle) = 0;
};

// FCE part k (0 to 11) as assemble_fce_parts makes it, but without its arrays: name, counts and
// position, first_vertex and first_triangle 0. Throws nothing; asserts that k is below 12 and
// that geo_parts are the 26 GEO parts.
FcePart describe_fce_part(std::size_t k, std::span<const GeoPart> geo_parts);

// Hands the vertices and triangles of FCE part k, as assemble_fce_parts makes them, to sink in
// their order (normals are all zero and not handed over). Throws only what sink throws;
// asserts as describe_fce_part.
void assemble_fce_part(std::size_t k, std::span<const GeoPart> geo_parts, std::int32_t atlas_height,
                       FcePartSink& sink);

}  // namespace tromvex
