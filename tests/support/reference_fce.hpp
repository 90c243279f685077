// The FCE parts and image the whole-table way, every part's arrays held at once, for the tests
// that check the program's part assembly and its streamed FCE image.
#pragma once

#include <cstdint>
#include <span>

#include "common/bytes.hpp"
#include "common/records.hpp"

namespace tromvex::test {

// The twelve parts that describe_fce_parts describes, with the arrays that assemble_fce_parts
// hands over collected into them, and a zero normal for every vertex. Throws nothing.
FceParts assembled_fce_parts(std::span<const GeoPart> geo_parts, std::int32_t atlas_height);

// Centres the wheels of parts that hold their vertices: each part's y range taken over its own
// vertices, centre_wheel_parts, then each part's vertices moved down by its shift. Throws
// nothing.
void centre_wheel_arrays(FceParts& parts);

// The FCE file of parts whose first indices and totals are as assign_first_indices gives them,
// written plainly, block after block: the header tables (totals, block offsets, the fixed half
// sizes, the part count and the per-part slots), then the vertex, normal and triangle blocks
// and three zero blocks. Any parts will do, also ones the converter never makes; each part's
// arrays must match its counts.
Bytes reference_fce_image(const FceParts& parts, FceTotals totals);

// The FCE file of a car the whole-table way: assembled_fce_parts, assign_first_indices,
// centre_wheel_arrays, then reference_fce_image.
Bytes reference_fce_car(std::span<const GeoPart> geo_parts, std::int32_t atlas_height);

}  // namespace tromvex::test
