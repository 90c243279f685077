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
// - each vertex's normal the normalised, area-weighted sum of the outward normals of its part's
//   triangles that use it ((p2 - p0) x (p1 - p0) for corners p0, p1, p2). A vertex that no
//   triangle of a nonzero area uses, or whose sum is zero or not finite, keeps its normal;
// - the half sizes the largest |x|, the largest depth below the origin (-y) and the largest |z|
//   over the vertices of parts 0 to 4 (the high body and its wheels), each moved by its part's
//   position. A half size with no finite vertex to measure keeps its value;
// and every other byte as it was. Throws MalformedFile for whatever read_fce_image refuses;
// the copy and its working tables are in proportion to the image.
FinishedFce finish_fce_image(std::span<const std::uint8_t> image);

}  // namespace tromvex
