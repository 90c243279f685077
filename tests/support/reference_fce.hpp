// The FCE parts and image the whole-table way, every part's arrays held at once, for the tests
// that check the program's part assembly and its streamed FCE image.
#pragma once

#include <cstdint>
#include <span>

#include "common/records.hpp"

namespace tromvex::test {

// The twelve parts that describe_fce_parts describes, with the arrays that assemble_fce_parts
// hands over collected into them, and a zero normal for every vertex. Throws nothing.
FceParts assembled_fce_parts(std::span<const GeoPart> geo_parts, std::int32_t atlas_height);

}  // namespace tromvex::test
