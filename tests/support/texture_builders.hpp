// Builders of palettes, QFS streams and TGA images in code, for tests; archives and GEO files
// are written by tools/car_files.hpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "support/reference_texture.hpp"
#include "tools/car_files.hpp"

namespace tromvex::test {

// One palette colour as an archive stores it.
struct PaletteColour {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t flag = 0;
};

inline constexpr std::size_t kPaletteColourCount = 256;
using Palette = std::array<PaletteColour, kPaletteColourCount>;

// The palette's 1024 pixel bytes: blue, green, red, flag for colours 0 to 255.
Bytes palette_bytes(const Palette& colours);

// A palette picture: 256 x 1 pixels of 4 bytes (type 0x2D 0x00, not indexed), named `name`.
ShpiPicture palette_picture(const Palette& colours, std::string name = "!pal");

// Writes a QFS stream command by command, with every field given explicitly. Each method
// throws std::invalid_argument for a field outside its form's range, so a test always
// encodes what it says; malformed streams are made by cutting or editing bytes().
class QfsWriter {
 public:
  enum class Header { short_form, long_form };

  // Writes the header: 0x10 0xFB and the 24-bit big-endian output length; the long form
  // starts 0x11 and adds three ignored bytes 0xFC 0xFC 0xFC (stop commands, should a
  // decoder wrongly read them).
  explicit QfsWriter(std::uint32_t output_length, Header header = Header::short_form);

  // Rewrites the output length in the header (for streams generated before their size is known).
  QfsWriter& set_output_length(std::uint32_t output_length);

  // 2 command bytes (0x00-0x7F): 0-3 literals, copy 3-10 bytes from 1-1024 back.
  QfsWriter& short_copy(const Bytes& literals, int length, int distance);
  // 3 command bytes (0x80-0xBF): 0-3 literals, copy 4-67 bytes from 1-16384 back.
  QfsWriter& medium_copy(const Bytes& literals, int length, int distance);
  // 4 command bytes (0xC0-0xDF): 0-3 literals, copy 5-1028 bytes from 1-131072 back.
  QfsWriter& long_copy(const Bytes& literals, int length, int distance);
  // 1 command byte (0xE0-0xFB): 4-112 literals, a multiple of 4.
  QfsWriter& literal_run(const Bytes& literals);
  // 1 command byte (0xFC-0xFF) and its 0-3 trailing literals; the stream ends here.
  QfsWriter& stop(const Bytes& trailing = {});
  // Appends bytes as they are.
  QfsWriter& raw(const Bytes& bytes);

  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// Wraps data in a valid literal-only QFS stream (header 0x10 0xFB, literal runs, then a stop
// command carrying the last 0-3 bytes). Throws std::invalid_argument past 16777215 bytes.
Bytes qfs_store(const Bytes& data);

// The TGA image the program makes of a whole canvas and palette: the canvas taken as one
// 768-wide texture, laid out by layout_texture_atlas and resampled by build_tga_image.
Bytes tga_image_of_canvas(const TextureAtlas& canvas, std::span<const std::uint8_t> palette);

}  // namespace tromvex::test
