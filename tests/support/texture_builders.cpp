// Builders of palettes, QFS streams and TGA images in code, for tests.
#include "support/texture_builders.hpp"

#include <stdexcept>
#include <utility>

#include "texture/atlas.hpp"
#include "texture/tga.hpp"

namespace tromvex::test {

namespace {

void check_range(const char* what, int value, int low, int high) {
  if (value < low || value > high) {
    throw std::invalid_argument(std::string("QFS ") + what + " " + std::to_string(value) +
                                " is outside " + std::to_string(low) + "-" + std::to_string(high));
  }
}

std::uint8_t byte_of(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

}  // namespace

Bytes palette_bytes(const Palette& colours) {
  Bytes bytes;
  for (const PaletteColour& colour : colours) {
    bytes.insert(bytes.end(), {colour.blue, colour.green, colour.red, colour.flag});
  }
  return bytes;
}

ShpiPicture palette_picture(const Palette& colours, std::string name) {
  ShpiPicture picture;
  picture.name = std::move(name);
  picture.type_byte0 = 0x2D;
  picture.type_byte1 = 0x00;
  picture.width = static_cast<std::int16_t>(kPaletteColourCount);
  picture.height = 1;
  picture.pixels = palette_bytes(colours);
  return picture;
}

QfsWriter::QfsWriter(std::uint32_t output_length, Header header) {
  const bool long_form = header == Header::long_form;
  bytes_.assign(long_form ? 8 : 5, 0xFC);  // bytes 2-4 are the length, written below
  bytes_[0] = long_form ? 0x11 : 0x10;
  bytes_[1] = 0xFB;
  set_output_length(output_length);
}

QfsWriter& QfsWriter::set_output_length(std::uint32_t output_length) {
  check_range("output length", static_cast<int>(output_length), 0, 0xFFFFFF);
  bytes_[2] = static_cast<std::uint8_t>(output_length >> 16);
  bytes_[3] = static_cast<std::uint8_t>(output_length >> 8);
  bytes_[4] = static_cast<std::uint8_t>(output_length);
  return *this;
}

QfsWriter& QfsWriter::short_copy(const Bytes& literals, int length, int distance) {
  const int count = static_cast<int>(literals.size());
  check_range("literal count", count, 0, 3);
  check_range("short copy length", length, 3, 10);
  check_range("short copy distance", distance, 1, 1024);
  const int d = distance - 1;
  bytes_.push_back(byte_of(((d >> 3) & 0x60) | ((length - 3) << 2) | count));
  bytes_.push_back(byte_of(d));
  return raw(literals);
}

QfsWriter& QfsWriter::medium_copy(const Bytes& literals, int length, int distance) {
  const int count = static_cast<int>(literals.size());
  check_range("literal count", count, 0, 3);
  check_range("medium copy length", length, 4, 67);
  check_range("medium copy distance", distance, 1, 16384);
  const int d = distance - 1;
  bytes_.push_back(byte_of(0x80 | (length - 4)));
  bytes_.push_back(byte_of((count << 6) | (d >> 8)));
  bytes_.push_back(byte_of(d));
  return raw(literals);
}

QfsWriter& QfsWriter::long_copy(const Bytes& literals, int length, int distance) {
  const int count = static_cast<int>(literals.size());
  check_range("literal count", count, 0, 3);
  check_range("long copy length", length, 5, 1028);
  check_range("long copy distance", distance, 1, 131072);
  const int d = distance - 1;
  const int l = length - 5;
  bytes_.push_back(byte_of(0xC0 | ((d >> 12) & 0x10) | ((l >> 8) << 2) | count));
  bytes_.push_back(byte_of(d >> 8));
  bytes_.push_back(byte_of(d));
  bytes_.push_back(byte_of(l));
  return raw(literals);
}

QfsWriter& QfsWriter::literal_run(const Bytes& literals) {
  const int count = static_cast<int>(literals.size());
  check_range("literal run", count, 4, 112);
  if (count % 4 != 0) throw std::invalid_argument("a QFS literal run is a multiple of 4 bytes");
  bytes_.push_back(byte_of(0xE0 | ((count - 4) >> 2)));
  return raw(literals);
}

QfsWriter& QfsWriter::stop(const Bytes& trailing) {
  const int count = static_cast<int>(trailing.size());
  check_range("stop literal count", count, 0, 3);
  bytes_.push_back(byte_of(0xFC | count));
  return raw(trailing);
}

QfsWriter& QfsWriter::raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

Bytes qfs_store(const Bytes& data) {
  constexpr std::size_t kLongestRun = 112;
  constexpr std::size_t kRunGranule = 4;
  if (data.size() > 0xFFFFFF)
    throw std::invalid_argument("a QFS stream holds at most 16777215 bytes");
  QfsWriter writer(static_cast<std::uint32_t>(data.size()));
  std::size_t at = 0;
  while (data.size() - at >= kRunGranule) {
    std::size_t run = data.size() - at;
    if (run > kLongestRun) run = kLongestRun;
    run -= run % kRunGranule;
    const auto first = data.begin() + static_cast<std::ptrdiff_t>(at);
    writer.literal_run(Bytes(first, first + static_cast<std::ptrdiff_t>(run)));
    at += run;
  }
  writer.stop(Bytes(data.begin() + static_cast<std::ptrdiff_t>(at), data.end()));
  return writer.bytes();
}

Bytes tga_image_of_canvas(const TextureAtlas& canvas, std::span<const std::uint8_t> palette) {
  std::vector<TextureRecord> textures(2);
  textures[0].pixels = palette;
  textures[1].width = kAtlasWidth;
  textures[1].height = canvas.height;
  textures[1].pixels = canvas.pixels;
  return build_tga_image(textures, layout_texture_atlas(textures));
}

}  // namespace tromvex::test
