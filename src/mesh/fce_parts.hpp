// Gathers the 26 GEO parts into the twelve named parts of an FCE car.
#pragma once

#include <cstdint>
#include <span>

#include "common/records.hpp"

namespace tromvex {

// Builds the twelve FcePart records from the 26 GEO parts and the atlas height: vertices
// scaled by 1/256, zero normals, two triangles per polygon with texture coordinates into the
// atlas. first_vertex and first_triangle are left 0. The inputs are not changed.
FceParts assemble_fce_parts(std::span<const GeoPart> geo_parts, std::int32_t atlas_height);

}  // namespace tromvex
