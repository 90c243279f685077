// Tests of the texture atlas layout: places, canvas height, the painted rows and rejections.
#include "texture/atlas.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/bytes.hpp"
#include "common/malformed_file.hpp"
#include "support/rejection.hpp"

namespace tromvex {
namespace {

// Pixel data for test records, kept for the whole run: records only view their pixels.
std::span<const std::uint8_t> kept(Bytes bytes) {
  static std::deque<Bytes> store;
  return store.emplace_back(std::move(bytes));
}

struct Size {
  std::int32_t width;
  std::int32_t height;
};

struct Place {
  std::int32_t x;
  std::int32_t y;
  bool operator==(const Place&) const = default;
};

// A palette record 0 with recognisable atlas fields, then one 8-bit texture per size.
std::vector<TextureRecord> textures_of(const std::vector<Size>& sizes) {
  std::vector<TextureRecord> textures(1);
  textures[0].atlas_x = 11;
  textures[0].atlas_y = 22;
  textures[0].width = 1000;  // the palette is never placed, however wide it claims to be
  textures[0].pixels = kept(Bytes(1024, 3));
  for (const Size size : sizes) {
    TextureRecord& texture = textures.emplace_back();
    texture.type = 123;
    texture.width = size.width;
    texture.height = size.height;
    texture.atlas_x = -5;
    texture.atlas_y = -6;
    texture.pixels = kept(Bytes(static_cast<std::size_t>(size.width * size.height), 1));
  }
  return textures;
}

std::vector<Place> places_of(const std::vector<TextureRecord>& textures) {
  std::vector<Place> places;
  for (std::size_t i = 1; i < textures.size(); ++i) {
    places.push_back({textures[i].atlas_x, textures[i].atlas_y});
  }
  return places;
}

// Rows 0 to height - 1 of the canvas, painted one after the other.
Bytes painted_rows(std::span<const TextureRecord> textures, std::int32_t height) {
  Bytes canvas(768 * static_cast<std::size_t>(height), 0xEE);
  AtlasRowPainter painter(textures);
  for (std::int32_t row = 0; row < height; ++row) {
    painter.paint(row, canvas.data() + 768 * static_cast<std::size_t>(row));
  }
  return canvas;
}

TEST(LayoutTextureAtlas, PlacesTexturesInRowsWithoutBackFilling) {
  const struct {
    const char* what;
    std::vector<Size> sizes;
    std::vector<Place> places;
    std::int32_t height;
  } cases[] = {
      {"a row filled to exactly 768",
       {{256, 64}, {256, 128}, {256, 32}},
       {{0, 0}, {256, 0}, {512, 0}},
       128},
      {"no back-filling", {{500, 10}, {300, 20}, {200, 30}}, {{0, 0}, {0, 10}, {300, 10}}, 40},
      {"a 768-wide texture alone", {{100, 5}, {768, 6}, {1, 7}}, {{0, 0}, {0, 5}, {0, 11}}, 18},
      {"height 0 adds no height", {{700, 4}, {100, 0}, {10, 2}}, {{0, 0}, {0, 4}, {100, 4}}, 6},
      {"only empty textures", {{0, 0}, {768, 0}}, {{0, 0}, {0, 0}}, 0},
  };
  for (const auto& c : cases) {
    std::vector<TextureRecord> textures = textures_of(c.sizes);
    EXPECT_EQ(layout_texture_atlas(textures), c.height) << c.what;
    EXPECT_EQ(places_of(textures), c.places) << c.what;
    EXPECT_EQ(textures[0].atlas_x, 11) << c.what;
    EXPECT_EQ(textures[0].atlas_y, 22) << c.what;
  }
}

TEST(LayoutTextureAtlas, WithoutTexturesTheAtlasIsEmptyAndThePaletteUntouched) {
  std::vector<TextureRecord> textures = textures_of({});
  EXPECT_EQ(layout_texture_atlas(textures), 0);
  EXPECT_EQ(textures[0].atlas_x, 11);
  EXPECT_EQ(textures[0].atlas_y, 22);
  EXPECT_EQ(layout_texture_atlas({}), 0);
}

TEST(LayoutTextureAtlas, CopiesEachTextureRowToItsPlaceAndLeavesTheRestIndexZero) {
  std::vector<TextureRecord> textures = textures_of({{2, 2}, {3, 1}, {764, 1}});
  textures[1].pixels = kept({1, 2, 3, 4});
  // Any other type holds 4 bytes a pixel; only the first width x height are palette indices.
  textures[2].type = 0;
  textures[2].pixels = kept({5, 6, 7, 50, 51, 52, 53, 54, 55, 56, 57, 58});
  textures[3].pixels = kept(Bytes(764, 9));  // 2 + 3 + 764 > 768: starts row 2

  ASSERT_EQ(layout_texture_atlas(textures), 3);
  std::vector<std::uint8_t> expected(768 * 3, 0);
  expected[0] = 1;
  expected[1] = 2;
  expected[768 + 0] = 3;
  expected[768 + 1] = 4;
  expected[2] = 5;
  expected[3] = 6;
  expected[4] = 7;
  std::fill(expected.begin() + 2 * 768, expected.begin() + 2 * 768 + 764, std::uint8_t{9});
  EXPECT_EQ(painted_rows(textures, 3), expected);
}

TEST(LayoutTextureAtlas, RejectsATextureWiderThanTheCanvasLeavingRecordsUnchanged) {
  std::vector<TextureRecord> textures = textures_of({{100, 1}, {769, 1}});
  textures[2].name = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(test::rejection_of([&] { layout_texture_atlas(textures); }),
            "picture 2 ('abcd') of the texture archive is 769 pixels wide; at most 768 fit");
  EXPECT_EQ(places_of(textures), (std::vector<Place>{{-5, -6}, {-5, -6}}));

  textures[2].width = 900;
  textures[2].name = {'w', 0, 'z', 'z'};
  EXPECT_EQ(test::rejection_of([&] { layout_texture_atlas(textures); }),
            "picture 2 ('w') of the texture archive is 900 pixels wide; at most 768 fit");
}

TEST(LayoutTextureAtlas, RejectsALayoutTallerThanTheLimitLeavingRecordsUnchanged) {
  // A 768-wide empty texture between two 1-wide ones makes each of these start a row of its own.
  std::vector<TextureRecord> textures = textures_of({{1, 32768}, {768, 0}, {1, 32768}});
  EXPECT_EQ(layout_texture_atlas(textures), kMaxAtlasHeight);

  textures = textures_of({{1, 32768}, {768, 0}, {1, 32769}});
  EXPECT_EQ(test::rejection_of([&] { layout_texture_atlas(textures); }),
            "the textures of the texture archive need an atlas 65537 rows tall; at most 65536 fit");
  EXPECT_EQ(places_of(textures), (std::vector<Place>{{-5, -6}, {-5, -6}, {-5, -6}}));
}

TEST(LayoutTextureAtlasDeathTest, AssertsThatATextureHoldsItsPixels) {
  std::vector<TextureRecord> textures = textures_of({{4, 4}});
  textures[1].pixels = textures[1].pixels.first(15);
  EXPECT_DEBUG_DEATH(layout_texture_atlas(textures), "holds_its_pixels");
}

}  // namespace
}  // namespace tromvex
