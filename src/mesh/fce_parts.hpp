// Gathers the 26 GEO parts into the twelve named parts of an FCE car.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/records.hpp"

namespace tromvex {

// Builds the twelve FcePart records from the 26 GEO parts and the atlas height: vertices
// scaled by 1/256, zero normals, two triangles per polygon with texture coordinates into the
// atlas. first_vertex and first_triangle are left 0. The inputs are not changed.
FceParts assemble_fce_parts(std::span<const GeoPart> geo_parts, std::int32_t atlas_height);

// Receives the vertices and triangles of one FCE part as they are assembled, in order.
class FcePartSink {
 public:
  virtual ~FcePartSink() = default;
  virtual void vertex(const Vec3f& vertex) = 0;
  virtual void triangle(const FceTriangle& triangle) = 0;
};

// FCE part k (0 to 11) as assemble_fce_parts makes it, but without its arrays: name, counts and
// position, first_vertex and first_triangle 0. geo_parts must be the 26 GEO parts.
FcePart describe_fce_part(std::size_t k, std::span<const GeoPart> geo_parts);

// Hands the vertices and triangles of FCE part k, as assemble_fce_parts makes them, to sink in
// their order (normals are all zero and not handed over). geo_parts must be the 26 GEO parts.
void assemble_fce_part(std::size_t k, std::span<const GeoPart> geo_parts, std::int32_t atlas_height,
                       FcePartSink& sink);

}  // namespace tromvex
