// Builds the byte image of the FCE mesh file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.hpp"
#include "common/records.hpp"
#include "mesh/fce_layout.hpp"

namespace tromvex {

// Returns the complete FCE file, 7940 + 80 V + 56 T bytes: the header tables, then the
// vertex, normal and triangle blocks and three zero blocks. Throws nothing; asserts that the
// totals are those assign_first_indices gave and that every part's arrays match its counts.
Bytes build_fce_image(const FceParts& parts, FceTotals totals);

// Builds the same image as assemble_fce_parts, assign_first_indices, centre_wheel_parts and
// build_fce_image above in a row, straight from the 26 GEO parts and the atlas height: the
// triangles and the bodies' vertices go straight into the image, and only the wheels' vertices
// are held, to be centred. Throws nothing; asserts that geo_parts are the 26 GEO parts as
// read_geo_mesh returns them.
Bytes build_fce_image(std::span<const GeoPart> geo_parts, std::int32_t atlas_height);

}  // namespace tromvex
