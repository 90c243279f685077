// Tests of the TGA reader: both origins, 24 and 32 bits, the optional fields, and refusals.
#include "texture/tga_reader.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/malformed_file.hpp"
#include "support/rejection.hpp"
#include "support/texture_builders.hpp"

namespace tromvex {
namespace {

// A TGA header: the given image type, width, height, bits a pixel and descriptor, with an
// identification field of id_length bytes.
Bytes header(std::uint8_t type, int width, int height, std::uint8_t bits, std::uint8_t descriptor,
             std::uint8_t id_length = 0) {
  return {id_length,
          0,
          type,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          static_cast<std::uint8_t>(width),
          static_cast<std::uint8_t>(width >> 8),
          static_cast<std::uint8_t>(height),
          static_cast<std::uint8_t>(height >> 8),
          bits,
          descriptor};
}

TEST(TgaReader, ReadsTheCarTextureBottomUpWithItsAlpha) {
  // Atlas row r holds palette colour r: file row r, shown as picture row 255 - r.
  test::TextureAtlas atlas{Bytes(768 * 256), 256};
  for (std::size_t r = 0; r < 256; ++r)
    std::fill_n(atlas.pixels.begin() + static_cast<std::ptrdiff_t>(768 * r), 768,
                static_cast<std::uint8_t>(r));
  Bytes palette(1024);
  for (std::size_t n = 0; n < 256; ++n) {
    palette[4 * n] = static_cast<std::uint8_t>(n);  // blue
    palette[4 * n + 2] = 7;                         // red
    palette[4 * n + 3] = n == 3 ? 0 : 1;            // colour 3 is clear
  }
  const RgbaPicture picture = read_tga_image(test::tga_image_of_canvas(atlas, palette));
  ASSERT_EQ(picture.width, 256);
  ASSERT_EQ(picture.height, 256);
  const auto pixel = [&](std::size_t row, std::size_t column) {
    const std::uint8_t* p = picture.pixels.data() + 4 * (256 * row + column);
    return std::vector<int>{p[0], p[1], p[2], p[3]};
  };
  EXPECT_EQ(pixel(255, 0), (std::vector<int>{7, 0, 0, 255}));    // atlas row 0 at the bottom
  EXPECT_EQ(pixel(0, 255), (std::vector<int>{7, 0, 255, 255}));  // atlas row 255 at the top
  EXPECT_EQ(pixel(252, 17), (std::vector<int>{7, 0, 3, 0}));     // the clear colour
}

TEST(TgaReader, Reads24BitTopOriginWithIdentificationAndFooter) {
  Bytes image = header(2, 2, 2, 24, 0x20, 3);
  image.insert(image.end(), {'a', 'b', 'c'});
  // Blue, green, red: top row red then green, bottom row blue then white.
  image.insert(image.end(), {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255});
  const std::string footer = std::string(8, '\0') + "TRUEVISION-XFILE.";
  image.insert(image.end(), footer.begin(), footer.end());
  image.push_back(0);
  const RgbaPicture picture = read_tga_image(image);
  EXPECT_EQ(picture.pixels,
            (Bytes{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255}));
}

TEST(TgaReader, RefusesWhatItCannotShow) {
  struct Case {
    Bytes image;
    const char* message;
  };
  Bytes colour_mapped = header(2, 1, 1, 32, 0);
  colour_mapped[1] = 1;
  const Case cases[] = {
      {header(10, 1, 1, 32, 0), "the TGA file is of image type 10; only uncompressed true-colour"},
      {header(1, 1, 1, 8, 0), "the TGA file is of image type 1;"},
      {colour_mapped, "the TGA file is of image type 2 with a colour map"},
      {header(2, 1, 1, 16, 0), "the TGA file has 16 bits a pixel; only 24 and 32 can be read"},
      {header(2, 1, 1, 32, 0x10), "the TGA file's origin is on the right"},
      {header(2, 1, 1, 32, 0, 5), "the identification field of the TGA file ends past its end"},
      {header(2, 65535, 65535, 32, 0),
       "the pixels of the TGA file (65535 x 65535) ends past its end"},
      {Bytes(17), "the header of the TGA file ends past its end"},
  };
  for (const Case& c : cases) {
    EXPECT_THAT(test::rejection_of([&] { read_tga_image(c.image); }),
                ::testing::Optional(::testing::StartsWith(c.message)));
  }
}

TEST(TgaReader, RefusesEveryPrefixOfACarTexture) {
  const Bytes tga = test::tga_image_of_canvas({Bytes(768), 1}, Bytes(1024, 1));
  ASSERT_EQ(test::rejection_of([&] { read_tga_image(tga); }), std::nullopt);
  for (std::size_t size = 0; size < tga.size(); size += 97) {
    const Bytes prefix = test::prefix_of(tga, size);  // exact size
    EXPECT_THAT(test::rejection_of([&] { read_tga_image(prefix); }),
                ::testing::Optional(::testing::EndsWith("ends past its end")))
        << size;
  }
}

}  // namespace
}  // namespace tromvex
