// Tests of the SHPI texture directory reader.
#include "texture/shpi.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <span>
#include <string>

#include "common/malformed_file.hpp"
#include "support/rejection.hpp"
#include "support/texture_builders.hpp"

namespace tromvex {
namespace {

TextureName name_of(const std::string& text) {
  return {static_cast<std::uint8_t>(text.at(0)), static_cast<std::uint8_t>(text.at(1)),
          static_cast<std::uint8_t>(text.at(2)), static_cast<std::uint8_t>(text.at(3))};
}

// A record's pixels as bytes, for comparisons.
Bytes bytes_of(std::span<const std::uint8_t> pixels) { return Bytes(pixels.begin(), pixels.end()); }

Bytes counting_bytes(std::size_t count, std::uint8_t first) {
  Bytes bytes;
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(first + i));
  return bytes;
}

ShpiPicture indexed(const std::string& name, std::int16_t width, std::int16_t height) {
  ShpiPicture picture;
  picture.name = name;
  picture.width = width;
  picture.height = height;
  picture.pixels = counting_bytes(static_cast<std::size_t>(width * height), 0x10);
  return picture;
}

void put_u32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  write_u32_le(bytes.data() + at, value);
}
void put_s16(Bytes& bytes, std::size_t at, std::int16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(value) >> 8);
}

TEST(ReadShpiDirectory, ReadsEveryEntryButTheLastIntoRecordsInOrder) {
  test::Palette colours{};
  colours[1] = {10, 20, 30, 40};
  ShpiPicture wheel = indexed("wgl0", 3, 2);
  wheel.value_at_8 = -7;
  wheel.value_at_10 = 300;
  wheel.header_word = 0xDEADBEEF;
  const ShpiPicture empty = indexed("none", 0, 5);
  const Bytes archive = write_shpi_archive({test::palette_picture(colours), wheel, empty});

  const std::vector<TextureRecord> records = read_shpi_directory(archive);
  ASSERT_EQ(records.size(), 3u);  // four entries: palette, two textures and the closing one

  EXPECT_EQ(records[0].name, name_of("!pal"));
  EXPECT_EQ(records[0].type, 0x2D);
  EXPECT_EQ(records[0].width, 256);
  EXPECT_EQ(records[0].height, 1);
  ASSERT_EQ(records[0].pixels.size(), 1024u);
  EXPECT_EQ(Bytes(records[0].pixels.begin() + 4, records[0].pixels.begin() + 8),
            (Bytes{10, 20, 30, 40}));

  EXPECT_EQ(records[1].name, name_of("wgl0"));
  EXPECT_EQ(records[1].type, 123);
  EXPECT_EQ(records[1].width, 3);
  EXPECT_EQ(records[1].height, 2);
  EXPECT_EQ(records[1].atlas_x, -7);
  EXPECT_EQ(records[1].atlas_y, 300);
  EXPECT_EQ(records[1].header_word, 0xDEADBEEFu);
  EXPECT_EQ(bytes_of(records[1].pixels), (Bytes{0x10, 0x11, 0x12, 0x13, 0x14, 0x15}));

  EXPECT_EQ(records[2].name, name_of("none"));
  EXPECT_EQ(records[2].height, 5);
  EXPECT_TRUE(records[2].pixels.empty());
}

TEST(ReadShpiDirectory, NeverReadsTheLastEntryNorTheArchiveSignature) {
  Bytes archive = write_shpi_archive({indexed("!pal", 2, 2), indexed("tex1", 1, 1)});
  put_u32(archive, kShpiHeaderSize + 2 * kShpiEntrySize + 4, 0xFFFFFFFF);
  archive[0] = 'X';
  const std::vector<TextureRecord> records = read_shpi_directory(archive);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(bytes_of(records[1].pixels), Bytes{0x10});

  // The last entry need not even lie inside the archive: here the header and entry 0 are
  // followed straight by entry 0's picture, where the closing entry would stand.
  const Bytes full = write_shpi_archive({indexed("!pal", 1, 1)});
  const auto picture = full.begin() + static_cast<std::ptrdiff_t>(shpi_picture_offset(full, 0));
  Bytes without_last_entry(full.begin(), full.begin() + 24);
  without_last_entry.insert(without_last_entry.end(), picture, full.end());
  put_u32(without_last_entry, 20, 24);
  EXPECT_EQ(bytes_of(read_shpi_directory(without_last_entry).at(0).pixels), Bytes{0x10});
}

TEST(ReadShpiDirectory, IndexedOnlyForTypeBytes7BAnd00) {
  const struct {
    std::uint8_t byte0, byte1;
    std::int32_t type;
    std::size_t pixel_bytes;  // for a 3 x 2 picture
  } cases[] = {
      {0x7B, 0x00, 123, 6},   {0x7B, 0x05, 0x057B, 24}, {0x7B, 0x80, 0x807B - 0x10000, 24},
      {0x78, 0x00, 0x78, 24}, {0xFF, 0xFF, -1, 24},
  };
  for (const auto& c : cases) {
    ShpiPicture picture = indexed("tex1", 3, 2);
    picture.type_byte0 = c.byte0;
    picture.type_byte1 = c.byte1;
    picture.pixels = counting_bytes(24, 0);
    const Bytes archive = write_shpi_archive({indexed("!pal", 1, 1), picture});
    const auto records = read_shpi_directory(archive);
    EXPECT_EQ(records[1].type, c.type) << int{c.byte0} << " " << int{c.byte1};
    EXPECT_EQ(bytes_of(records[1].pixels), counting_bytes(c.pixel_bytes, 0))
        << int{c.byte0} << " " << int{c.byte1};
  }
}

TEST(ReadShpiDirectory, KeepsEntriesWithTheSameName) {
  ShpiPicture first = indexed("dupl", 1, 1);
  ShpiPicture second = indexed("dupl", 2, 1);
  const Bytes archive = write_shpi_archive({indexed("!pal", 1, 1), first, second});
  const auto records = read_shpi_directory(archive);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].name, records[2].name);
  EXPECT_EQ(records[1].width, 1);
  EXPECT_EQ(records[2].width, 2);
}

TEST(ReadShpiDirectory, PixelsAreViewsOfThePictureDataInTheArchive) {
  const Bytes archive = write_shpi_archive({indexed("!pal", 2, 1), indexed("tex1", 2, 2)});
  const auto records = read_shpi_directory(archive);
  const std::size_t pixels_at = shpi_picture_offset(archive, 1) + kShpiPictureHeaderSize;
  EXPECT_EQ(records[1].pixels.data(), archive.data() + pixels_at);
  EXPECT_EQ(bytes_of(records[1].pixels), (Bytes{0x10, 0x11, 0x12, 0x13}));
}

TEST(ReadShpiDirectory, NamesStrangeBytesSafelyInMessages) {
  ShpiPicture odd = indexed(std::string("\x01"
                                        "a'\xFF",
                                        4),
                            1, 1);
  odd.width = -1;
  const Bytes archive = write_shpi_archive({indexed("!pal", 1, 1), odd});
  EXPECT_EQ(test::rejection_of([&] { read_shpi_directory(archive); }),
            "picture 1 ('\\x01a\\x27\\xFF') of the texture archive has a negative width (-1)");
}

TEST(ReadShpiDirectory, RejectsMalformedArchives) {
  const Bytes valid = write_shpi_archive({indexed("!pal", 2, 2), indexed("tex1", 4, 2)});
  const std::size_t palette_at = shpi_picture_offset(valid, 0);
  const std::size_t texture_at = shpi_picture_offset(valid, 1);
  const std::size_t entry_count_at = 8;
  const auto changed = [&valid](auto change) {
    Bytes archive = valid;
    change(archive);
    return archive;
  };
  const struct {
    const char* what;
    Bytes archive;
    std::string message;
  } cases[] = {
      {"short header", Bytes(valid.begin(), valid.begin() + 15),
       "the texture archive is 15 bytes long, too short for its 16-byte header"},
      {"no entries", changed([&](Bytes& a) { put_u32(a, entry_count_at, 0); }),
       "the texture archive holds 0 entries; at least 2 are needed (a palette and one closing entry)"},
      {"one entry", changed([&](Bytes& a) { put_u32(a, entry_count_at, 1); }),
       "the texture archive holds 1 entry; at least 2 are needed (a palette and one closing entry)"},
      {"negative count", changed([&](Bytes& a) { put_u32(a, entry_count_at, 0x80000000); }),
       "the texture archive holds -2147483648 entries; at least 2 are needed (a palette and one closing entry)"},
      {"huge count", changed([&](Bytes& a) { put_u32(a, entry_count_at, 0x7FFFFFFF); }),
       "the directory of the texture archive (2147483647 entries) ends past its end"},
      {"directory past end", Bytes(valid.begin(), valid.begin() + 16 + 8 + 7),
       "the directory of the texture archive (3 entries) ends past its end"},
      {"picture offset past end", changed([&](Bytes& a) { put_u32(a, 20 + 8, 0xFFFFFFF0); }),
       "picture 1 ('tex1') of the texture archive ends past its end"},
      {"picture header past end", test::prefix_of(valid, texture_at + 15),
       "picture 1 ('tex1') of the texture archive ends past its end"},
      {"pixels past end", Bytes(valid.begin(), valid.end() - 1),
       "picture 1 ('tex1') of the texture archive ends past its end"},
      {"negative width", changed([&](Bytes& a) { put_s16(a, texture_at + 4, -4); }),
       "picture 1 ('tex1') of the texture archive has a negative width (-4)"},
      {"negative height", changed([&](Bytes& a) { put_s16(a, palette_at + 6, -32768); }),
       "picture 0 ('!pal') of the texture archive has a negative height (-32768)"},
      {"four-byte pixels past end", changed([&](Bytes& a) { a[texture_at + 1] = 0x01; }),
       "picture 1 ('tex1') of the texture archive ends past its end"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(test::rejection_of([&] { read_shpi_directory(c.archive); }), c.message) << c.what;
}

TEST(ReadShpiDirectory, RejectsPicturesThatShareTheirPixels) {
  // Both entries point at one 100-byte texture: 200 bytes of copies from a 173-byte archive.
  Bytes archive = write_shpi_archive({indexed("!pal", 1, 1), indexed("tex1", 10, 10)});
  ASSERT_EQ(archive.size(), 173u);
  put_u32(archive, kShpiHeaderSize + 4,
          static_cast<std::uint32_t>(shpi_picture_offset(archive, 1)));
  EXPECT_EQ(test::rejection_of([&] { read_shpi_directory(archive); }),
            "picture 1 ('tex1') of the texture archive overlaps others: the pixel data of pictures "
            "0 to 1 add up to more than the archive's 173 bytes");
}

TEST(ReadShpiDirectory, RejectsEveryPrefixThatCutsARecordShort) {
  const Bytes archive = write_shpi_archive({indexed("!pal", 4, 4), indexed("tex1", 3, 3)});
  ASSERT_EQ(read_shpi_directory(archive).size(), 2u);
  for (std::size_t size = 0; size < archive.size(); ++size) {
    const Bytes prefix = test::prefix_of(archive, size);
    EXPECT_TRUE(test::rejection_of([&] { read_shpi_directory(prefix); }).has_value()) << size;
  }
}

}  // namespace
}  // namespace tromvex
