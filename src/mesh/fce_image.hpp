// Builds the byte image of the FCE mesh file.
#pragma once

#include <cstddef>

#include "common/bytes.hpp"
#include "common/records.hpp"

namespace tromvex {

inline constexpr std::size_t kFceHeaderSize = 7940;

// Returns the complete FCE file, 7940 + 80 V + 56 T bytes: the header tables, then the
// vertex, normal and triangle blocks and three zero blocks.
Bytes build_fce_image(const FceParts& parts, FceTotals totals);

}  // namespace tromvex
