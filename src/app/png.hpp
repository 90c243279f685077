// Encodes a picture as a PNG file image.
#pragma once

#include "common/bytes.hpp"
#include "common/picture.hpp"

namespace tromvex {

// Returns the complete PNG file of an opaque picture (its alpha is dropped: 8-bit RGB).
// Throws std::bad_alloc when the encoder runs out of memory.
Bytes encode_png(const RgbaPicture& picture);

}  // namespace tromvex
