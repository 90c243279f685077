// Reads an uncompressed true-colour TGA image, such as a car's texture, into RGBA pixels.
#include "texture/tga_reader.hpp"

#include <cstddef>
#include <string>

#include "common/byte_reader.hpp"
#include "common/malformed_file.hpp"

namespace tromvex {
namespace {

// The layout is described in docs/formats.md, "TGA image".
constexpr std::uint8_t kNoColourMap = 0;
constexpr std::uint8_t kUncompressedTrueColour = 2;
constexpr std::uint8_t kTopOriginBit = 0x20;
constexpr std::uint8_t kRightOriginBit = 0x10;
constexpr std::size_t kColourMapSpecificationSize = 5;
constexpr std::size_t kOriginFieldsSize = 4;  // x and y origin, not needed to show the image

// A 16-bit little-endian field; the two bytes are read in order.
std::int32_t u16(ByteReader& reader) {
  const std::int32_t low = reader.u8();
  const std::int32_t high = reader.u8();
  return low | (high << 8);
}

}  // namespace

RgbaPicture read_tga_image(std::span<const std::uint8_t> image) {
  ByteReader reader(image, "the header of the TGA file");
  const std::uint8_t id_length = reader.u8();
  const std::uint8_t colour_map_type = reader.u8();
  const std::uint8_t image_type = reader.u8();
  reader.skip(kColourMapSpecificationSize + kOriginFieldsSize);
  const std::int32_t width = u16(reader);
  const std::int32_t height = u16(reader);
  const std::uint8_t bits_per_pixel = reader.u8();
  const std::uint8_t descriptor = reader.u8();

  if (image_type != kUncompressedTrueColour || colour_map_type != kNoColourMap) {
    throw MalformedFile("the TGA file is of image type " + std::to_string(image_type) +
                        (colour_map_type != kNoColourMap ? " with a colour map" : "") +
                        "; only uncompressed true-colour images (type 2) without one can be read");
  }
  if (bits_per_pixel != 24 && bits_per_pixel != 32) {
    throw MalformedFile("the TGA file has " + std::to_string(bits_per_pixel) +
                        " bits a pixel; only 24 and 32 can be read");
  }
  if ((descriptor & kRightOriginBit) != 0) {
    throw MalformedFile("the TGA file's origin is on the right; only left origins can be read");
  }
  reader.set_subject("the identification field of the TGA file");
  reader.skip(id_length);

  const std::size_t bytes_per_pixel = bits_per_pixel / 8u;
  const auto columns = static_cast<std::size_t>(width);
  const auto rows = static_cast<std::size_t>(height);
  // At most 65535 x 65535 pixels of 4 bytes, checked against the file before anything is made.
  reader.set_subject("the pixels of the TGA file (" + std::to_string(width) + " x " +
                     std::to_string(height) + ")");
  const std::span<const std::uint8_t> stored = reader.take(columns * rows * bytes_per_pixel);

  RgbaPicture picture{width, height, std::vector<std::uint8_t>(columns * rows * 4)};
  const bool top_origin = (descriptor & kTopOriginBit) != 0;
  for (std::size_t row = 0; row < rows; ++row) {
    const std::size_t shown_row = top_origin ? row : rows - 1 - row;
    const std::uint8_t* in = stored.data() + row * columns * bytes_per_pixel;
    std::uint8_t* out = picture.pixels.data() + shown_row * columns * 4;
    for (std::size_t k = 0; k < columns; ++k, in += bytes_per_pixel, out += 4) {
      out[0] = in[2];  // stored as blue, green, red (, alpha)
      out[1] = in[1];
      out[2] = in[0];
      out[3] = bytes_per_pixel == 4 ? in[3] : 255;
    }
  }
  return picture;
}

}  // namespace tromvex
