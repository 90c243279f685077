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

// image, zero-filled or cut to size bytes.
Bytes with_size(Bytes image, std::size_t size) {
  image.resize(size);
  return image;
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

// A TGA image of a kind that cannot be shown: each field at fault is named alone. The image
// holds all the bytes its header describes.
TEST(TgaReader, RefusesWhatItCannotShow) {
  struct Case {
    Bytes image;
    const char* message;
  };
  const auto with_pixels = [](Bytes image, std::size_t bytes) {
    image.resize(image.size() + bytes);
    return image;
  };
  Bytes colour_mapped = with_pixels(header(2, 1, 1, 32, 0), 4 + 3);
  colour_mapped[1] = 1;
  colour_mapped[5] = 1;  // one entry of 24 bits
  colour_mapped[7] = 24;
  const Case cases[] = {
      {with_pixels(header(10, 1, 1, 32, 0), 5),
       "the TGA file is of image type 10; only uncompressed true-colour"},
      {with_pixels(header(1, 1, 1, 8, 0), 1), "the TGA file is of image type 1;"},
      {colour_mapped, "the TGA file is of image type 2 with a colour map"},
      {with_pixels(header(2, 1, 1, 16, 0), 2),
       "the TGA file has 16 bits a pixel; only 24 and 32 can be read"},
      {with_pixels(header(2, 1, 1, 32, 0x10), 4), "the TGA file's origin is on the right"},
      {header(0, 0, 0, 0, 0), "the TGA file is of image type 0;"},
  };
  for (const Case& c : cases) {
    EXPECT_THAT(test::rejection_of([&] { read_tga_image(c.image); }),
                ::testing::Optional(::testing::StartsWith(c.message)));
  }
}

// A header that cannot begin a file of its size is no TGA image: it says so first, then names
// the field, as above.
TEST(TgaReader, SaysAFileThatIsNoTgaImageIsNotOne) {
  struct Case {
    Bytes image;
    const char* message;
  };
  Bytes qfs_like = header(2, 0x40, 0x02, 0x8D, 0);  // a QFS stream's first bytes, say
  qfs_like[0] = 0x10;
  qfs_like[1] = 0xFB;
  Bytes run_length = header(10, 256, 2, 32, 0);  // 512 pixels take at least 4 packets of 5
  run_length.resize(18 + 19);
  const Case cases[] = {
      {with_size(qfs_like, 4000), "it is not a TGA image (the TGA file is of image type 2 with a"},
      {with_size(header(2, 1, 1, 32, 0), 18 + 3),
       "it is not a TGA image (the pixels of the TGA file (1 x 1) ends past its end)"},
      {with_size(header(2, 1, 1, 32, 0, 5), 18 + 4),
       "it is not a TGA image (the identification field of the TGA file ends past its end)"},
      {with_size(header(2, 65535, 65535, 32, 0), 18),
       "it is not a TGA image (the pixels of the TGA file (65535 x 65535) ends past its end)"},
      {run_length, "it is not a TGA image (the TGA file is of image type 10;"},
      {with_size(header(12, 1, 1, 32, 0), 100),
       "it is not a TGA image (the TGA file is of image type 12;"},
      {with_size(header(2, 1, 1, 31, 0), 100),
       "it is not a TGA image (the TGA file has 31 bits a pixel;"},
      {with_size(header(2, 2, 1, 16, 0), 18 + 3),
       "it is not a TGA image (the TGA file has 16 bits"},
      {Bytes(17), "it is not a TGA image (the header of the TGA file ends past its end)"},
  };
  for (const Case& c : cases) {
    EXPECT_THAT(test::rejection_of([&] { read_tga_image(c.image); }),
                ::testing::Optional(::testing::StartsWith(c.message)));
  }
  // A colour map that fits is a TGA image's, whatever its entries.
  Bytes mapped = header(1, 1, 1, 8, 0);
  mapped[1] = 1;
  mapped[5] = 2;  // two entries of 32 bits, then one byte of pixel
  mapped[7] = 32;
  EXPECT_THAT(test::rejection_of([&] { read_tga_image(with_size(mapped, 18 + 8 + 1)); }),
              ::testing::Optional(::testing::StartsWith("the TGA file is of image type 1 with")));
  EXPECT_THAT(test::rejection_of([&] { read_tga_image(with_size(mapped, 18 + 8)); }),
              ::testing::Optional(::testing::StartsWith("it is not a TGA image (")));
}

TEST(TgaReader, RefusesEveryPrefixOfACarTexture) {
  const Bytes tga = test::tga_image_of_canvas({Bytes(768), 1}, Bytes(1024, 1));
  ASSERT_EQ(test::rejection_of([&] { read_tga_image(tga); }), std::nullopt);
  for (std::size_t size = 0; size < tga.size(); size += 97) {
    const Bytes prefix = test::prefix_of(tga, size);  // exact size
    EXPECT_THAT(
        test::rejection_of([&] { read_tga_image(prefix); }),
        ::testing::Optional(::testing::AllOf(::testing::StartsWith("it is not a TGA image ("),
                                             ::testing::EndsWith("ends past its end)"))))
        << size;
  }
}

}  // namespace
}  // namespace tromvex
