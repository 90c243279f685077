// Builds the byte image of the FCE mesh file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.hpp"
#include "common/records.hpp"
#include "mesh/fce_layout.hpp"

namespace tromvex {

// Returns the complete FCE file of the car whose 26 GEO parts read_geo_mesh returned, with
// textures on an atlas of atlas_height rows: 7940 + 80 V + 56 T bytes, the header tables, then
// the vertex, normal and triangle blocks and three zero blocks. The parts are those
// assemble_fce_parts makes, placed by assign_first_indices, their wheels centred by
// centre_wheel_parts; the normals are zero. The vertices and triangles go straight into the
// image, which holds no part's arrays; the wheels' vertices are moved there once centred.
// Throws nothing; asserts that geo_parts are the 26 GEO parts as read_geo_mesh returns them.
Bytes build_fce_image(std::span<const GeoPart> geo_parts, std::int32_t atlas_height);

}  // namespace tromvex
