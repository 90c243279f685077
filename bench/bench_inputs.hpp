// Inputs the benchmarks share: texture-like byte streams, a large generated car and a dense
// FCE car.
#pragma once

#include <cstddef>

#include "common/bytes.hpp"

namespace tromvex::bench {

enum class Grain {
  clean,         // the patterns exactly: long copies, ratios around 25
  stray_shades,  // a quarter of the pixels a shade or two off: short copies, ratios around 4
};

// Palette-indexed 128 x 128 pictures, each behind a 16-byte header, cycling through
// gradients, flat panels, ordered dithering, repeated tiles and flat grain, until size bytes
// are filled. With stray shades, all but the tiles get a quarter of their pixels a shade or two
// off, as painted textures have. The same arguments always give the same bytes.
Bytes texture_like_bytes(std::size_t size, Grain grain);

// A QFS stream built like those of real texture archives: nothing but short commands, each
// making 6 to 19 bytes of output (0 to 3 literals and a copy from at most 1024 bytes back),
// until about output_size bytes are made. The same size always gives the same stream.
Bytes short_command_stream(std::size_t output_size);

struct CarFiles {
  Bytes geo;
  Bytes qfs;
};

// A car of 26 GEO parts holding 4056 polygons on 4732 vertices, and 18 textures of 128 x 128
// (288 KiB of pixels) in a QFS-compressed archive.
CarFiles large_car();

// The FCE image of a car whose "High Body" is a car-sized ellipsoid of stacks x slices x 2
// triangles (50 x 100 make 10,000), wound as real cars are, textured all over, its normals
// zero; the other eleven parts are empty.
Bytes dense_fce(int stacks, int slices);

}  // namespace tromvex::bench
