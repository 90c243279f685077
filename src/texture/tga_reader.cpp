// Reads an uncompressed true-colour TGA image, such as a car's texture, into RGBA pixels.
#include "texture/tga_reader.hpp"

#include <cstddef>
#include <string>
#include <string_view>

#include "common/byte_reader.hpp"
#include "common/malformed_file.hpp"

namespace tromvex {
namespace {

// The layout is described in docs/formats.md, "TGA image".
constexpr std::size_t kTgaHeaderSize = 18;
constexpr std::uint8_t kNoColourMap = 0;
constexpr std::uint8_t kColourMap = 1;
constexpr std::uint8_t kNoImageData = 0;
constexpr std::uint8_t kUncompressedTrueColour = 2;
constexpr std::uint8_t kTopOriginBit = 0x20;
constexpr std::uint8_t kRightOriginBit = 0x10;
constexpr std::size_t kFirstColourMapEntrySize = 2;  // where the colour map starts: not needed
constexpr std::size_t kOriginFieldsSize = 4;         // x and y origin, not needed to show the image
// A run-length packet holds a count byte and one pixel, and stands for at most this many.
constexpr std::uint64_t kMaxPixelsPerPacket = 128;
constexpr std::string_view kTgaKind = "a TGA image";

struct TgaHeader {
  std::uint8_t id_length = 0;
  std::uint8_t colour_map_type = 0;
  std::uint8_t image_type = 0;
  std::int32_t colour_map_length = 0;
  std::uint8_t colour_map_entry_bits = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint8_t bits_per_pixel = 0;
  std::uint8_t descriptor = 0;
};

// A 16-bit little-endian field; the two bytes are read in order.
std::int32_t u16(ByteReader& reader) {
  const std::int32_t low = reader.u8();
  const std::int32_t high = reader.u8();
  return low | (high << 8);
}

TgaHeader read_header(ByteReader& reader) {
  TgaHeader header;
  header.id_length = reader.u8();
  header.colour_map_type = reader.u8();
  header.image_type = reader.u8();
  reader.skip(kFirstColourMapEntrySize);
  header.colour_map_length = u16(reader);
  header.colour_map_entry_bits = reader.u8();
  reader.skip(kOriginFieldsSize);
  header.width = u16(reader);
  header.height = u16(reader);
  header.bits_per_pixel = reader.u8();
  header.descriptor = reader.u8();
  return header;
}

// The image types TGA defines: none, uncompressed colour-mapped, true-colour and grey (1 to 3),
// the same run-length encoded (9 to 11), and two compressed colour-mapped ones (32, 33).
bool is_tga_image_type(std::uint8_t type) {
  return type <= 3 || (type >= 9 && type <= 11) || type == 32 || type == 33;
}

bool is_tga_pixel_depth(std::uint8_t bits) {
  return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

std::uint64_t bytes_for_bits(std::uint8_t bits) { return (bits + 7u) / 8u; }

// Whether the header could begin a TGA file of file_size bytes: its colour-map type, image
// type and pixel depth are values TGA defines, and the header, identification field, colour
// map and pixels (for a run-length image, the fewest bytes its pixels can take) fit in the
// file. A file whose header fails this is plainly not a TGA image.
bool describes_a_file_of(const TgaHeader& header, std::size_t file_size) {
  if (header.colour_map_type > kColourMap || !is_tga_image_type(header.image_type)) return false;
  if (header.image_type != kNoImageData && !is_tga_pixel_depth(header.bits_per_pixel)) return false;
  std::uint64_t bytes = kTgaHeaderSize + header.id_length;
  if (header.colour_map_type == kColourMap) {
    bytes += static_cast<std::uint64_t>(header.colour_map_length) *
             bytes_for_bits(header.colour_map_entry_bits);
  }
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(header.width) * static_cast<std::uint64_t>(header.height);
  const std::uint64_t pixel_bytes = bytes_for_bits(header.bits_per_pixel);
  if (header.image_type >= 1 && header.image_type <= 3) {
    bytes += pixels * pixel_bytes;
  } else if (header.image_type >= 9 && header.image_type <= 11) {
    bytes += (pixels + kMaxPixelsPerPacket - 1) / kMaxPixelsPerPacket * (1 + pixel_bytes);
  }
  return bytes <= file_size;
}

// Reads the pixels the header describes, from the reader's place just past the header.
RgbaPicture read_pixels(const TgaHeader& header, ByteReader& reader) {
  if (header.image_type != kUncompressedTrueColour || header.colour_map_type != kNoColourMap) {
    throw MalformedFile("the TGA file is of image type " + std::to_string(header.image_type) +
                        (header.colour_map_type != kNoColourMap ? " with a colour map" : "") +
                        "; only uncompressed true-colour images (type 2) without one can be read");
  }
  if (header.bits_per_pixel != 24 && header.bits_per_pixel != 32) {
    throw MalformedFile("the TGA file has " + std::to_string(header.bits_per_pixel) +
                        " bits a pixel; only 24 and 32 can be read");
  }
  if ((header.descriptor & kRightOriginBit) != 0) {
    throw MalformedFile("the TGA file's origin is on the right; only left origins can be read");
  }
  reader.set_subject("the identification field of the TGA file");
  reader.skip(header.id_length);

  const std::size_t bytes_per_pixel = header.bits_per_pixel / 8u;
  const auto columns = static_cast<std::size_t>(header.width);
  const auto rows = static_cast<std::size_t>(header.height);
  // At most 65535 x 65535 pixels of 4 bytes, checked against the file before anything is made.
  reader.set_subject("the pixels of the TGA file (" + std::to_string(header.width) + " x " +
                     std::to_string(header.height) + ")");
  const std::span<const std::uint8_t> stored = reader.take(columns * rows * bytes_per_pixel);

  RgbaPicture picture{header.width, header.height, std::vector<std::uint8_t>(columns * rows * 4)};
  const bool top_origin = (header.descriptor & kTopOriginBit) != 0;
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

}  // namespace

RgbaPicture read_tga_image(std::span<const std::uint8_t> image) {
  ByteReader reader(image, "the header of the TGA file");
  TgaHeader header;
  try {
    header = read_header(reader);
  } catch (const MalformedFile& error) {
    throw not_of_kind(kTgaKind, error.what());
  }
  // A file that is no TGA image fails one of the checks below too; the complaint says first
  // that it is no TGA image, then which field gave it away.
  try {
    return read_pixels(header, reader);
  } catch (const MalformedFile& error) {
    if (!describes_a_file_of(header, image.size())) throw not_of_kind(kTgaKind, error.what());
    throw;
  }
}

}  // namespace tromvex
