// Tests of BTree stream expansion, with streams written by hand and by the packer in tools/.
#include "texture/btree.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "common/malformed_file.hpp"
#include "support/rejection.hpp"
#include "tools/stream_compress.hpp"

namespace tromvex {
namespace {

TEST(BtreeDecompress, ExpandsTheWorkedExample) {
  // 80 -> 61 62; 81 -> 80 80; the body 81 81 63, a literal 80 through the escape, the end.
  const Bytes stream{0x46, 0xFB, 0x00, 0x00, 0x0A, 0xFF, 0x02, 0x80, 0x61, 0x62,
                     0x81, 0x80, 0x80, 0x81, 0x81, 0x63, 0xFF, 0x80, 0xFF, 0x00};
  const Bytes expected{0x61, 0x62, 0x61, 0x62, 0x61, 0x62, 0x61, 0x62, 0x63, 0x80};
  EXPECT_EQ(btree_decompress(stream), expected);
  // The same entries listed the other way round: 81 refers to the later entry 80.
  const Bytes forward{0x46, 0xFB, 0x00, 0x00, 0x0A, 0xFF, 0x02, 0x81, 0x80, 0x80,
                      0x80, 0x61, 0x62, 0x81, 0x81, 0x63, 0xFF, 0x80, 0xFF, 0x00};
  EXPECT_EQ(btree_decompress(forward), expected);
}

TEST(BtreeDecompress, RefusesEachMalformedStream) {
  const struct {
    const char* what;
    Bytes stream;
    const char* message;
  } cases[] = {
      {"cycle",
       {0x46, 0xFB, 0x00, 0x00, 0x02, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0xFF, 0x00},
       "the BTree dictionary defines 80 through itself"},
      {"two-entry cycle",
       {0x46, 0xFB, 0, 0, 2, 0xFF, 2, 0x80, 0x81, 0x61, 0x81, 0x62, 0x80, 0xFF, 0x00},
       "the BTree dictionary defines 80 through itself"},
      {"pair holds the escape",
       {0x46, 0xFB, 0x00, 0x00, 0x02, 0xFF, 0x01, 0x80, 0x61, 0xFF, 0x80, 0xFF, 0x00},
       "BTree dictionary entry 0 (at byte 7) holds the escape byte FF in its pair"},
      {"past the output",
       {0x46, 0xFB, 0x00, 0x00, 0x03, 0xFF, 0x01, 0x80, 0x61, 0x62, 0x80, 0x80, 0xFF, 0x00},
       "BTree byte at byte 11 writes past the 3-byte output"},
      {"defines the escape",
       {0x46, 0xFB, 0, 0, 2, 0xFF, 1, 0xFF, 0x61, 0x62, 0xFF, 0x00},
       "BTree dictionary entry 0 (at byte 7) defines the escape byte FF"},
      {"defined twice",
       {0x46, 0xFB, 0, 0, 2, 0xFF, 2, 0x80, 0x61, 0x62, 0x80, 0x63, 0x64, 0x80, 0xFF, 0x00},
       "BTree dictionary entry 1 (at byte 10) defines 80 a second time"},
      {"dictionary past the end",
       {0x46, 0xFB, 0, 0, 2, 0xFF, 2, 0x80, 0x61, 0x62, 0x81},
       "the BTree dictionary of 2 entries ends past the end of the stream"},
      {"header", {0x46, 0xFB, 0, 0, 2, 0xFF}, "the BTree stream ends inside its 7-byte header"},
      {"end marker too early",
       {0x46, 0xFB, 0, 0, 3, 0xFF, 0, 0x61, 0x62, 0xFF, 0x00},
       "the BTree stream ends after 2 of its 3 bytes"},
      {"escape as the last byte",
       {0x46, 0xFB, 0, 0, 1, 0xFF, 0, 0x61, 0xFF},
       "the BTree stream ends before its end marker"},
      {"more than the body can make",
       {0x46, 0xFB, 0, 1, 0, 0xFF, 1, 0x80, 0x61, 0x62, 0x80, 0xFF, 0x00},
       "the BTree stream claims 256 bytes of output, more than its 3 bytes of body can make"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(test::rejection_of([&] { btree_decompress(c.stream); }), c.message) << c.what;
}

// 40 entries that each double the one before expand to 2^40 bytes: the lengths saturate and the
// byte is refused at once, before anything is written.
TEST(BtreeDecompress, RefusesAnExpansionOfATrillionBytesWithoutExpandingIt) {
  Bytes stream{0x46, 0xFB, 0xFF, 0xFF, 0xFF, 0xFF, 40};
  for (std::uint8_t k = 0; k < 40; ++k) {
    const auto previous = static_cast<std::uint8_t>(k == 0 ? 0x61 : 0x80 + k - 1);
    stream.insert(stream.end(), {static_cast<std::uint8_t>(0x80 + k), previous, previous});
  }
  stream.insert(stream.end(), {0xA7, 0xFF, 0x00});
  EXPECT_EQ(test::rejection_of([&] { btree_decompress(stream); }),
            "BTree byte at byte 127 writes past the 16777215-byte output");
}

TEST(BtreeDecompress, UnpacksWhatThePackerWritesInBothDictionaryOrders) {
  std::mt19937 random(3);
  Bytes noise(2000);
  for (auto& byte : noise) byte = static_cast<std::uint8_t>(random() % 200);
  Bytes tiles;
  for (std::size_t i = 0; i < 20000; ++i)
    tiles.push_back(static_cast<std::uint8_t>((i % 64) / 8 * 3 + (i / 640) % 5));
  Bytes every_value(512);
  for (std::size_t i = 0; i < every_value.size(); ++i)
    every_value[i] = static_cast<std::uint8_t>(i);
  for (const DictionaryOrder order :
       {DictionaryOrder::defined_first, DictionaryOrder::defined_last}) {
    for (const Bytes& data : {Bytes{}, noise, tiles, every_value}) {
      const Bytes stream = btree_compress(data, order);
      EXPECT_EQ(btree_decompress(stream), data) << data.size();
    }
  }
  EXPECT_GT(btree_compress(tiles)[6], 20) << "the tiles should need a deep dictionary";
  EXPECT_LT(btree_compress(tiles).size(), tiles.size() / 8);
}

TEST(BtreeDecompress, RefusesEveryPrefixOfAValidStream) {
  Bytes data;
  for (std::size_t i = 0; i < 600; ++i)
    data.push_back(static_cast<std::uint8_t>("abcabdFF"[i % 8]));
  const Bytes stream = btree_compress(data, DictionaryOrder::defined_last);
  for (std::size_t size = 0; size < stream.size(); ++size) {
    EXPECT_TRUE(test::rejection_of([&] { btree_decompress(test::prefix_of(stream, size)); }))
        << size;
  }
}

}  // namespace
}  // namespace tromvex
