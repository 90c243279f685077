// Tests of the TGA image: header, resampling of the atlas and the colour and alpha rule.
#include "texture/tga.hpp"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <vector>

#include "support/reference_texture.hpp"
#include "support/texture_builders.hpp"
#include "texture/atlas.hpp"

namespace tromvex {
namespace {

using test::TextureAtlas;

using Pixel = std::array<std::uint8_t, 4>;  // blue, green, red, alpha as the file holds them

Pixel pixel_at(const Bytes& image, std::size_t row, std::size_t column) {
  const std::size_t offset = 18 + 4 * (row * 256 + column);
  return {image.at(offset), image.at(offset + 1), image.at(offset + 2), image.at(offset + 3)};
}

// A palette in which colour n is (n, 0, 0, 1): green is never above blue, so the pixel of
// index n is (n, 0, 0, 255).
Bytes blue_ramp_palette() {
  Bytes palette(1024);
  for (std::size_t n = 0; n < 256; ++n) {
    palette[4 * n] = static_cast<std::uint8_t>(n);
    palette[4 * n + 3] = 1;
  }
  return palette;
}

TextureAtlas atlas_of_height(std::int32_t height) {
  TextureAtlas atlas;
  atlas.height = height;
  atlas.pixels.assign(768 * static_cast<std::size_t>(height), 0);
  return atlas;
}

TEST(BuildTgaImage, IsExactlyTheHeaderAndTheFixedSize) {
  const Bytes header{0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x20, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x20, 0x00};
  for (const std::int32_t height : {0, 1, 300}) {
    const Bytes image = test::tga_image_of_canvas(atlas_of_height(height), blue_ramp_palette());
    ASSERT_EQ(image.size(), 262162u);
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 18), header) << "height " << height;
  }
}

TEST(BuildTgaImage, FileRowRTakesAtlasRowRTimesHeightOver256) {
  const struct {
    std::int32_t height;
    std::vector<std::pair<std::size_t, std::size_t>> examples;  // file row, atlas row
  } cases[] = {
      {1, {{0, 0}, {128, 0}, {255, 0}}},
      {128, {{0, 0}, {1, 0}, {2, 1}, {254, 127}, {255, 127}}},
      {256, {{0, 0}, {77, 77}, {255, 255}}},
      {300, {{128, 150}, {255, 298}}},
      {512, {{1, 2}, {128, 256}, {255, 510}}},
  };
  for (const auto& c : cases) {
    // Atlas row a says which it is: column 0 holds a mod 256, column 3 holds a / 256.
    TextureAtlas atlas = atlas_of_height(c.height);
    for (std::size_t a = 0; a < static_cast<std::size_t>(c.height); ++a) {
      atlas.pixels[a * 768] = static_cast<std::uint8_t>(a % 256);
      atlas.pixels[a * 768 + 3] = static_cast<std::uint8_t>(a / 256);
    }
    const Bytes image = test::tga_image_of_canvas(atlas, blue_ramp_palette());
    const auto atlas_row_of = [&image](std::size_t row) {
      return std::size_t{pixel_at(image, row, 0)[0]} +
             256 * std::size_t{pixel_at(image, row, 1)[0]};
    };
    for (const auto& [file_row, atlas_row] : c.examples) {
      EXPECT_EQ(atlas_row_of(file_row), atlas_row)
          << "height " << c.height << ", file row " << file_row;
    }
    for (std::size_t r = 0; r < 256; ++r) {
      ASSERT_EQ(atlas_row_of(r), r * static_cast<std::size_t>(c.height) / 256)
          << "height " << c.height;
    }
  }
}

TEST(BuildTgaImage, ColumnKTakesAtlasColumn3KOnly) {
  TextureAtlas atlas = atlas_of_height(2);
  for (std::size_t row = 0; row < 2; ++row) {
    for (std::size_t column = 0; column < 768; ++column) {
      // Columns 3k + 1 and 3k + 2 hold an index no output pixel may show.
      atlas.pixels[row * 768 + column] =
          column % 3 == 0 ? static_cast<std::uint8_t>(column / 3) : 0;
    }
  }
  const Bytes image = test::tga_image_of_canvas(atlas, blue_ramp_palette());
  for (std::size_t k = 0; k < 256; ++k) {
    ASSERT_EQ(pixel_at(image, 200, k), (Pixel{static_cast<std::uint8_t>(k), 0, 0, 255}))
        << "column " << k;
  }
  EXPECT_EQ(pixel_at(image, 0, 255), (Pixel{255, 0, 0, 255}));  // from atlas column 765
}

TEST(BuildTgaImage, ColourAndAlphaFollowTheFlagAndTheGreenMargin) {
  const struct {
    Pixel colour;    // blue, green, red, flag in the palette
    Pixel expected;  // blue, green, red, alpha in the file
  } cases[] = {
      {{10, 200, 20, 255}, {210, 200, 220, 100}},
      {{200, 250, 100, 1}, {194, 250, 94, 100}},  // both sums wrap
      {{0, 255, 0, 1}, {255, 255, 255, 100}},
      {{100, 140, 100, 1}, {100, 140, 100, 255}},  // a margin of exactly 40 is not enough
      {{100, 141, 100, 1}, {241, 141, 241, 100}},
      {{100, 140, 0, 1}, {100, 140, 0, 255}},    // exactly 40 above blue only
      {{0, 140, 100, 1}, {0, 140, 100, 255}},    // exactly 40 above red only
      {{0, 255, 0, 0}, {0, 255, 0, 0}},          // a zero flag wins over the green test
      {{90, 200, 180, 1}, {90, 200, 180, 255}},  // green exceeds red by only 20
      {{200, 100, 0, 1}, {200, 100, 0, 255}},    // green below blue
      {{0, 100, 200, 1}, {0, 100, 200, 255}},    // green below red
      {{255, 0, 255, 0}, {255, 0, 255, 0}},
  };
  for (const auto& c : cases) {
    Bytes palette(1024, 0);
    std::copy(c.colour.begin(), c.colour.end(), palette.begin() + 4 * 77);
    TextureAtlas atlas = atlas_of_height(3);
    atlas.pixels.assign(atlas.pixels.size(), 77);
    const Bytes image = test::tga_image_of_canvas(atlas, palette);
    EXPECT_EQ(pixel_at(image, 0, 0), c.expected);
    EXPECT_EQ(pixel_at(image, 255, 255), c.expected);
  }
}

TEST(BuildTgaImage, EmptyAtlasGivesAllZeroPixels) {
  Bytes palette(1024, 0xFF);
  const Bytes image = test::tga_image_of_canvas(TextureAtlas{}, palette);
  ASSERT_EQ(image.size(), 262162u);
  EXPECT_EQ(Bytes(image.begin() + 18, image.end()), Bytes(262144, 0));
}

TEST(BuildTgaImage, ColoursPastAShortPaletteAreZero) {
  // Colour 0 is whole; colour 1 has two of its four bytes; colours 2 and up have none.
  const Bytes palette{9, 8, 7, 1, 50, 60};
  TextureAtlas atlas = atlas_of_height(1);
  atlas.pixels[0] = 0;
  atlas.pixels[3] = 1;
  atlas.pixels[6] = 2;
  atlas.pixels[9] = 255;
  const Bytes image = test::tga_image_of_canvas(atlas, palette);
  EXPECT_EQ(pixel_at(image, 7, 0), (Pixel{9, 8, 7, 255}));
  EXPECT_EQ(pixel_at(image, 7, 1), (Pixel{0, 0, 0, 0}));
  EXPECT_EQ(pixel_at(image, 7, 2), (Pixel{0, 0, 0, 0}));
  EXPECT_EQ(pixel_at(image, 7, 3), (Pixel{0, 0, 0, 0}));
  EXPECT_EQ(test::tga_image_of_canvas(atlas, {}),
            test::tga_image_of_canvas(atlas_of_height(1), Bytes(1024, 0)));
}

// Textures of the given sizes with distinct pixels; record 0 is the blue ramp palette. The
// pixel data lives in store, which must outlive the records.
std::vector<TextureRecord> textures_of(const std::vector<std::pair<int, int>>& sizes,
                                       std::deque<Bytes>& store,
                                       const Bytes& palette = blue_ramp_palette()) {
  std::vector<TextureRecord> textures(1);
  textures[0].pixels = store.emplace_back(palette);
  for (const auto& [width, height] : sizes) {
    Bytes& pixels = store.emplace_back(static_cast<std::size_t>(width * height));
    for (std::size_t p = 0; p < pixels.size(); ++p) {
      pixels[p] = static_cast<std::uint8_t>(textures.size() * 37 + p * 5 + p / 7);
    }
    TextureRecord& texture = textures.emplace_back();
    texture.width = width;
    texture.height = height;
    texture.pixels = pixels;
  }
  return textures;
}

TEST(BuildTgaImage, EqualsThePlainReferenceOnWholeLayouts) {
  const std::vector<std::vector<std::pair<int, int>>> layouts{
      {{768, 1}},                                 // a one-row atlas
      {{256, 64}, {256, 128}, {256, 32}},         // one full row, shorter textures leave gaps
      {{500, 10}, {300, 20}, {200, 30}, {0, 9}},  // no back-filling; a zero-wide texture
      {{10, 0}, {768, 0}, {3, 5}, {0, 0}, {700, 2}, {70, 3}},  // zero-high rows first
      {{768, 300}, {100, 200}, {700, 200}, {5, 1}},            // taller than 256: rows are skipped
      {{768, 255}},                                            // shorter than 256: rows repeat
  };
  // Colours of every kind: clear, opaque, green-tinted (some sums wrapping); the last 16
  // indices past the end of a 960-byte palette.
  Bytes palette(960);
  for (std::size_t i = 0; i < palette.size(); ++i)
    palette[i] = static_cast<std::uint8_t>(i % 4 == 3 ? i % 3 : i * 53 + i / 4);
  for (std::size_t l = 0; l < layouts.size(); ++l) {
    std::deque<Bytes> store;
    std::vector<TextureRecord> placed = textures_of(layouts[l], store, palette);
    std::vector<TextureRecord> on_canvas = placed;
    const TextureAtlas atlas = test::reference_texture_atlas(on_canvas);
    const Bytes image = build_tga_image(placed, layout_texture_atlas(placed));
    EXPECT_EQ(Bytes(image.begin() + 18, image.end()), test::reference_tga_pixels(atlas, palette))
        << "layout " << l;
  }
}

TEST(AtlasRowPainter, PaintsRowsInIncreasingOrderOnly) {
  std::deque<Bytes> store;
  std::vector<TextureRecord> textures = textures_of({{2, 2}}, store);
  layout_texture_atlas(textures);
  AtlasRowPainter painter(textures);
  std::array<std::uint8_t, 768> row{};
  painter.paint(1, row.data());
  EXPECT_EQ(row[0], textures[1].pixels[2]);
  EXPECT_EQ(row[2], 0);
  painter.paint(1, row.data());
  EXPECT_DEBUG_DEATH(painter.paint(0, row.data()), "row >= last_row_");
}

}  // namespace
}  // namespace tromvex
