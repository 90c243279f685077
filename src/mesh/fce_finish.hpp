// Finishes an FCE car for the game: vertex normals for its lighting, half sizes for its box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.hpp"
#include "common/records.hpp"

namespace tromvex {

struct FinishedFce {
  Bytes image;                   // the finished FCE file, as long as the one given
  std::size_t part_count = 0;    // the parts the header declares
  std::size_t normal_count = 0;  // the vertices that were given a normal
  Vec3f half_sizes;              // as stored at the half-size fields
};

// Returns a copy of an FCE image with
// - each vertex's normal the normalised sum of the outward normals of its part's triangles
//   that use it ((p2 - p0) x (p1 - p0) for corners p0, p1, p2, as long as twice the
//   triangle's area, so larger triangles weigh more). A triangle of zero area or with a corner
//   that is not finite adds nothing; a vertex whose sum is zero (no triangle adds to it) keeps
//   its normal. Where parts' vertex ranges overlap (no car's do), a shared vertex sums the
//   triangles of every part that uses it;
// - the half sizes the largest |x|, the largest depth below the origin (-y; negative when
//   every vertex lies above it) and the largest |z| over the vertices of parts 0 to 4 (the
//   high body and its wheels), each moved by its part's position. Coordinates that are not
//   finite are not measured; a half size nothing was measured for keeps its value;
// and every other byte as it was. Throws MalformedFile for whatever read_fce_image refuses,
// and for a file whose normal block shares bytes with another block ("the normal block of the
// FCE file overlaps its <name> block"); std::bad_alloc. The copy and its working tables are in
// proportion to the image.
FinishedFce finish_fce_image(std::span<const std::uint8_t> image);

}  // namespace tromvex
