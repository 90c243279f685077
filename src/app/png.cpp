// Encodes a picture as a PNG file image, through stb_image_write.
#include "app/png.hpp"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

// The encoder, compiled into this one file; its own deflate, no zlib, nothing written to disk.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace tromvex {
namespace {

constexpr int kRgbChannels = 3;
constexpr int kMatchSearchLength = 5;  // the encoder's least
constexpr int kFilterUp = 2;

struct Output {
  Bytes bytes;
  bool out_of_memory = false;
};

// Called by the encoder with the file's bytes; no exception may pass through the encoder.
void append(void* context, void* data, int size) {
  auto* out = static_cast<Output*>(context);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  try {
    out->bytes.insert(out->bytes.end(), bytes, bytes + size);
  } catch (const std::bad_alloc&) {
    out->out_of_memory = true;
  }
}

}  // namespace

Bytes encode_png(const RgbaPicture& picture) {
  const auto pixel_count =
      static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
  Bytes rgb(pixel_count * kRgbChannels);
  for (std::size_t i = 0; i < pixel_count; ++i) {
    for (std::size_t c = 0; c < kRgbChannels; ++c)
      rgb[kRgbChannels * i + c] = picture.pixels[4 * i + c];
  }
  // Every row filtered by its difference from the row above, and short match searches: the
  // pictures are mostly flat background and plain faces, for which this encodes a third
  // faster than trying all five filters on each row with longer searches, and no larger.
  // (Settings of the encoder compiled into this file alone; nothing else reads them.)
  stbi_write_png_compression_level = kMatchSearchLength;
  stbi_write_force_png_filter = kFilterUp;
  Output png;
  // The encoder fails only when it cannot allocate.
  if (stbi_write_png_to_func(append, &png, picture.width, picture.height, kRgbChannels, rgb.data(),
                             picture.width * kRgbChannels) == 0 ||
      png.out_of_memory) {
    throw std::bad_alloc();
  }
  return std::move(png.bytes);
}

}  // namespace tromvex
