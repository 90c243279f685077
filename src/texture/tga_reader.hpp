// Reads an uncompressed true-colour TGA image, such as a car's texture, into RGBA pixels.
#pragma once

#include <cstdint>
#include <span>

#include "common/picture.hpp"

namespace tromvex {

// Reads an uncompressed true-colour TGA image (image type 2) of 24 or 32 bits a pixel, with
// its origin at the lower or upper left (bit 5 of the descriptor), with or without an
// identification field and the TGA 2.0 footer. 24-bit pixels are opaque (alpha 255);
// 32-bit pixels keep their alpha, where 0 is transparent. Throws MalformedFile for any other
// kind of TGA image, for a colour map, and for an image shorter than its pixels need; for a
// file that is plainly not a TGA image (shorter than the header, a colour-map type, image type
// or pixel depth TGA does not define, or a header that describes more bytes than the file
// holds), the message is "it is not a TGA image (<what the field at fault is>)".
RgbaPicture read_tga_image(std::span<const std::uint8_t> image);

}  // namespace tromvex
