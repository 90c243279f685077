// Tests of Huffman stream expansion, with streams written by hand and by the packer in tools/.
#include "texture/huffman.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "common/malformed_file.hpp"
#include "support/rejection.hpp"
#include "tools/stream_compress.hpp"

namespace tromvex {
namespace {

// 11 bytes from a 3-symbol code: literals, a run of five, an explicit byte and the end code.
const Bytes kWorkedExample{0x30, 0xFB, 0x00, 0x00, 0x0B, 0x03, 0xBA, 0xC8, 0x2D, 0x3C, 0x03, 0xB9};

TEST(HuffmanDecompress, ExpandsTheWorkedExampleAndItsRunningSum) {
  EXPECT_EQ(huffman_decompress(kWorkedExample),
            (Bytes{0x01, 0x01, 0x01, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02, 0x07, 0x01}));
  Bytes delta = kWorkedExample;
  delta[0] = 0x32;
  EXPECT_EQ(huffman_decompress(delta),
            (Bytes{0x01, 0x02, 0x03, 0x05, 0x07, 0x09, 0x0B, 0x0D, 0x0F, 0x16, 0x17}));
  Bytes double_delta = kWorkedExample;
  double_delta[0] = 0x34;  // the running sums of the running sums above
  EXPECT_EQ(huffman_decompress(double_delta),
            (Bytes{0x01, 0x03, 0x06, 0x0B, 0x12, 0x1B, 0x26, 0x33, 0x42, 0x58, 0x6F}));
  // Bytes after the end code are ignored; the 31 FB form skips its extra field.
  Bytes padded = kWorkedExample;
  padded.push_back(0x00);
  EXPECT_EQ(huffman_decompress(padded).size(), 11u);
  Bytes extra{0x31, 0xFB, 0xAA, 0xBB, 0xCC};
  extra.insert(extra.end(), kWorkedExample.begin() + 2, kWorkedExample.end());
  EXPECT_EQ(huffman_decompress(extra), huffman_decompress(kWorkedExample));
}

TEST(HuffmanDecompress, RefusesEachMalformedStream) {
  const struct {
    const char* what;
    Bytes stream;
    const char* message;
  } cases[] = {
      {"run before any output",
       {0x30, 0xFB, 0x00, 0x00, 0x02, 0x03, 0xBA, 0xC9, 0xEE, 0x40},
       "Huffman run at byte 7 repeats the last byte before any output"},
      {"run past the output",
       {0x30, 0xFB, 0x00, 0x00, 0x04, 0x03, 0xBA, 0xC8, 0xD3, 0xC8},
       "Huffman run at byte 8 writes past the 4-byte output"},
      {"end code too early",
       {0x30, 0xFB, 0x00, 0x00, 0x03, 0x03, 0xBA, 0xC8, 0xB9},
       "the Huffman stream ends after 2 of its 3 bytes"},
      {"over-subscribed",
       {0x30, 0xFB, 0x00, 0x00, 0x01, 0x03, 0xF6, 0x40},
       "the Huffman code table at byte 6 has more codes of 1 bits than fit"},
      {"no code for the escape",
       {0x30, 0xFB, 0x00, 0x00, 0x01, 0x09, 0xBA, 0xC8},
       "the Huffman code table has no code for the escape byte 09"},
      {"16 leading zeros",
       {0x30, 0xFB, 0x00, 0x00, 0x01, 0x03, 0x00, 0x00, 0x80},
       "the Huffman stream has a number at byte 6 with more than 15 leading zero bits"},
      {"skip count 300",
       {0x30, 0xFB, 0x00, 0x00, 0x01, 0x03, 0xB8, 0x09, 0x80},
       "the Huffman code table at byte 6 skips past the last unlisted byte value"},
      {"16-bit codes",
       {0x30, 0xFB, 0x00, 0x00, 0x01, 0x03, 0xB6, 0xDB, 0x6D, 0xB6,
        0xDB, 0x6E, 0xB2, 0x49, 0x24, 0x92, 0x49, 0x24, 0x8D, 0x20},
       "the Huffman code table has no complete code of at most 15 bits"},
      {"truncated",
       {0x30, 0xFB, 0x00, 0x00, 0x0B, 0x03, 0xBA, 0xC8, 0x2D, 0x3C, 0x03},
       "the Huffman stream ends before its end code"},
      {"header",
       {0x30, 0xFB, 0x00, 0x00, 0x0B},
       "the Huffman stream ends inside its 6-byte header"},
      {"wide header",
       {0xB1, 0xFB, 0, 0, 0, 0, 0, 0, 0, 1},
       "the Huffman stream ends inside its 11-byte header"},
      {"more than the bits can make",
       {0x30, 0xFB, 0x01, 0x00, 0x00, 0x03, 0xBA},
       "the Huffman stream claims 65536 bytes of output, more than its 1 bytes can make"},
      {"over the cap",
       {0xB0, 0xFB, 0x01, 0x00, 0x00, 0x01, 0x03, 0xBA},
       "the Huffman stream claims 16777217 bytes of output, more than the 16 MiB tromvex reads"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(test::rejection_of([&] { huffman_decompress(c.stream); }), c.message) << c.what;
}

// Data that needs every code length up to 15 bits (Fibonacci-like counts), runs, and every
// byte value, including the escape byte as an explicit byte.
Bytes skewed_data() {
  Bytes data;
  std::size_t a = 1;
  std::size_t b = 1;
  for (unsigned value = 0; value < 22; ++value, b = a + b, a = b - a) {
    data.insert(data.end(), a, static_cast<std::uint8_t>(value * 11));
  }
  for (unsigned value = 0; value < 256; ++value) data.push_back(static_cast<std::uint8_t>(value));
  std::mt19937 random(7);
  std::shuffle(data.begin(), data.end(), random);
  data.insert(data.end(), 70000, 0x42);  // a run longer than the packer's longest
  return data;
}

TEST(HuffmanDecompress, UnpacksEveryFormThePackerWrites) {
  std::mt19937 random(1);
  Bytes noise(3000);
  for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
  Bytes gradient(5000);
  for (std::size_t i = 0; i < gradient.size(); ++i)
    gradient[i] = static_cast<std::uint8_t>(i / 40 + (i % 7 == 0));
  const Bytes inputs[] = {{}, {9}, noise, gradient, skewed_data()};
  for (const int magic : {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5}) {
    for (const Bytes& data : inputs) {
      EXPECT_EQ(huffman_decompress(huffman_compress(data, static_cast<std::uint8_t>(magic))), data)
          << std::hex << magic << " " << std::dec << data.size();
    }
  }
  // The skewed data really reaches 15-bit codes: a 14-bit limit would refuse the table.
  const Bytes stream = huffman_compress(skewed_data());
  EXPECT_LT(stream.size(), skewed_data().size() / 4);
}

TEST(HuffmanDecompress, RefusesEveryPrefixOfAValidStream) {
  const Bytes data = skewed_data();
  const Bytes stream = huffman_compress(Bytes(data.begin(), data.begin() + 2000), 0x33);
  for (std::size_t size = 0; size < stream.size(); ++size) {
    EXPECT_TRUE(test::rejection_of([&] { huffman_decompress(test::prefix_of(stream, size)); }))
        << size;
  }
}

}  // namespace
}  // namespace tromvex
