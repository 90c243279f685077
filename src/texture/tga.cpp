// Resamples the atlas canvas through the palette into the 256 x 256 32-bit TGA file image.
#include "texture/tga.hpp"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

#include "texture/atlas.hpp"

namespace tromvex {
namespace {

// The layout is described in docs/formats.md, "TGA image".
constexpr std::size_t kTgaSide = 256;       // the image is kTgaSide pixels wide and tall
constexpr std::size_t kBytesPerPixel = 4;   // blue, green, red, alpha
constexpr std::size_t kBytesPerColour = 4;  // blue, green, red, flag
constexpr std::size_t kPaletteSize = 256;   // atlas indices are bytes
// Each output pixel takes one atlas byte: column k reads atlas column 3k, the two bytes after
// it are skipped.
constexpr std::size_t kAtlasColumnStep = kAtlasRowSize / kTgaSide;

// Uncompressed true-colour, 256 x 256, 32 bits a pixel, origin at the lower left, no alpha bits
// declared. Byte 7, the colour map entry size, holds 32 although there is no colour map.
constexpr std::array<std::uint8_t, kTgaHeaderSize> kTgaHeader{
    0,           // length of the image identification field
    0,           // colour map type: none
    2,           // image type: uncompressed true-colour
    0,    0,     // colour map first entry
    0,    0,     // colour map length
    32,          // colour map entry size
    0,    0,     // x origin
    0,    0,     // y origin
    0x00, 0x01,  // width 256, little-endian
    0x00, 0x01,  // height 256, little-endian
    32,          // bits per pixel
    0};          // image descriptor

// Green must exceed both blue and red by more than this for a colour to count as green-tinted.
constexpr int kGreenMargin = 40;
constexpr std::uint8_t kAlphaClear = 0;  // the palette flag is zero
constexpr std::uint8_t kAlphaOpaque = 255;
constexpr std::uint8_t kAlphaGreenTinted = 100;

using Pixel = std::array<std::uint8_t, kBytesPerPixel>;

// The output pixel of palette colour `index`; a colour past the end of the palette data
// reads as (0, 0, 0, 0).
Pixel pixel_of_colour(std::span<const std::uint8_t> palette, std::size_t index) {
  const std::size_t offset = index * kBytesPerColour;
  if (offset > palette.size() || kBytesPerColour > palette.size() - offset) return Pixel{};
  const std::uint8_t blue = palette[offset];
  const std::uint8_t green = palette[offset + 1];
  const std::uint8_t red = palette[offset + 2];
  const std::uint8_t flag = palette[offset + 3];

  if (flag == 0) return Pixel{blue, green, red, kAlphaClear};
  // Signed differences: a green smaller than blue or red is not green-tinted either.
  if (green - blue <= kGreenMargin || green - red <= kGreenMargin) {
    return Pixel{blue, green, red, kAlphaOpaque};
  }
  // Green-tinted colours get green added to blue and red, each wrapping at 256.
  return Pixel{static_cast<std::uint8_t>(blue + green), green,
               static_cast<std::uint8_t>(red + green), kAlphaGreenTinted};
}

// The output pixel of every palette index.
std::array<Pixel, kPaletteSize> pixel_table_of(std::span<const std::uint8_t> palette) {
  std::array<Pixel, kPaletteSize> table{};
  for (std::size_t index = 0; index < kPaletteSize; ++index) {
    table[index] = pixel_of_colour(palette, index);
  }
  return table;
}

}  // namespace

Bytes build_tga_image(std::span<const TextureRecord> textures, std::int32_t atlas_height) {
  assert(!textures.empty() && atlas_height >= 0);
  Bytes image(kTgaFileSize, 0);
  std::copy(kTgaHeader.begin(), kTgaHeader.end(), image.begin());
  // An empty atlas has no row to sample: its image keeps all-zero pixels.
  if (atlas_height == 0) return image;

  const std::array<Pixel, kPaletteSize> pixel_table = pixel_table_of(textures.front().pixels);
  AtlasRowPainter painter(textures);
  std::array<std::uint8_t, kAtlasRowSize> atlas_row{};
  std::int64_t painted_row = -1;
  std::uint8_t* out = image.data() + kTgaHeaderSize;
  // File row r samples atlas row r * height / 256, the product formed as a running sum.
  std::size_t row_sum = 0;
  for (std::size_t r = 0; r < kTgaSide; ++r, row_sum += static_cast<std::size_t>(atlas_height)) {
    const auto row = static_cast<std::int64_t>(row_sum / kTgaSide);
    // Neighbouring file rows often sample the same atlas row: it is painted once.
    if (row != painted_row) {
      painter.paint(row, atlas_row.data());
      painted_row = row;
    }
    for (std::size_t k = 0; k < kTgaSide; ++k, out += kBytesPerPixel) {
      std::memcpy(out, pixel_table[atlas_row[k * kAtlasColumnStep]].data(), kBytesPerPixel);
    }
  }
  return image;
}

}  // namespace tromvex
