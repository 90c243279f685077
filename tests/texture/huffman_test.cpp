// Tests of Huffman stream expansion, with streams written by hand and by the packer in tools/.
#include "texture/huffman.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

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

// A stream written by hand: magic, output length (3 bytes, or 4 with magic B0), escape, the
// bits, then `padding` zero bytes. The bits are words: 0s and 1s stand for themselves, "#n" is
// the number n as counts, skips and runs are written, "#n/z" the same with z leading zeros.
Bytes hand_stream(std::uint32_t length, std::uint8_t escape, const std::string& bits,
                  std::size_t padding = 0, std::uint8_t magic = 0x30) {
  Bytes stream{magic, 0xFB};
  for (int shift = magic == 0xB0 ? 24 : 16; shift >= 0; shift -= 8)
    stream.push_back(static_cast<std::uint8_t>(length >> shift));
  stream.push_back(escape);
  HuffmanBitWriter writer;
  std::istringstream words(bits);
  for (std::string word; words >> word;) {
    const auto number = [&word](std::size_t from, std::size_t to) {
      return static_cast<std::uint32_t>(std::stoul(word.substr(from, to - from)));
    };
    const std::size_t slash = word.find('/');
    if (word[0] != '#') {
      for (const char bit : word) writer.put_bit(bit == '1' ? 1 : 0);
    } else if (slash == std::string::npos) {
      writer.put_number(number(1, word.size()));
    } else {
      writer.put_number_with_zeros(number(1, slash), number(slash + 1, word.size()));
    }
  }
  stream.insert(stream.end(), writer.bytes().begin(), writer.bytes().end());
  stream.insert(stream.end(), padding, 0);
  return stream;
}

// count copies of words, each followed by a space.
std::string times(int count, const std::string& words) {
  std::string out;
  for (int i = 0; i < count; ++i) out += words + ' ';
  return out;
}

// Each refusal check at its boundary: the largest value it lets through (the stream then
// decodes, or fails a later check), and the smallest it refuses. Worked by hand; with the two
// 1-bit codes, the table takes 9 bits, so byte 6 + (bits before a field) / 8 holds the field.
TEST(HuffmanDecompress, EachLimitTakesItsLargestValueAndRefusesTheNext) {
  // Codes 0 and 1 of one bit each (counts {2}, skips {0, 0}): byte 00 and the escape 01. After
  // the escape code, number 0 then 1 is the end, number 0 then 0 an explicit byte.
  const std::string two = "#2 #0 #0 ", fin = " #0 1", end = " 1" + fin;
  const std::string one_zero = two + "0" + end;  // 15 bits, 2 bytes
  // 256 codes of 8 bits, symbol s coded as s; escape FF. 255 of 8 bits and 2 of 9: 257.
  const std::string all_256 = times(7, "#0") + "#256 " + times(256, "#0") + "01000001 11111111";
  const std::string all_257 = times(7, "#0") + "#255 #2";
  // One code of each length 1 to 14, then two of 15 bits: symbols 0 to 15 in order, 14 coded
  // 111111111111110 and 15 (the escape) 111111111111111.
  const std::string to_15 = times(14, "#1") + "#2 " + times(16, "#0");
  const std::string run = two + "0 1 #", long_run = two + times(10, "0") + "1 #";
  const struct {
    const char* what;
    Bytes stream;
    test::Outcome result;  // the output, or the refusal
  } cases[] = {
      {"header of 6 bytes, nothing after",
       {0x30, 0xFB, 0, 0, 0, 1},
       "the Huffman stream has a number at byte 6 with more than 15 leading zero bits"},
      {"16 MiB", hand_stream(16777216, 1, one_zero, 300, 0xB0),
       "the Huffman stream ends after 1 of its 16777216 bytes"},
      {"16 MiB and one", hand_stream(16777217, 1, one_zero, 300, 0xB0),
       "the Huffman stream claims 16777217 bytes of output, more than the 16 MiB tromvex reads"},
      {"7710 bytes a bit", hand_stream(2 * 8 * 7710, 1, one_zero),
       "the Huffman stream ends after 1 of its 123360 bytes"},
      {"one byte more", hand_stream(2 * 8 * 7710 + 1, 1, one_zero),
       "the Huffman stream claims 123361 bytes of output, more than its 2 bytes can make"},
      // 0x00 and a run of 2^17 - 4 = 131068 written with 15 zeros (2^18 - 4 with 16).
      {"15 leading zeros", hand_stream(131069, 1, two + "0 1 #131068/15" + end), Bytes(131069, 0)},
      {"16 leading zeros", hand_stream(262141, 1, two + "0 1 #262140/16" + end),
       "the Huffman stream has a number at byte 7 with more than 15 leading zero bits"},
      {"256 symbols", hand_stream(1, 0xFF, all_256 + fin), Bytes{0x41}},
      {"257 symbols", hand_stream(1, 0xFF, all_257, 8),
       "the Huffman code table at byte 10 lists more than 256 symbols"},
      {"codes of 15 bits filling the space",
       hand_stream(2, 0x0F, to_15 + "111111111111110 0 111111111111111" + fin), Bytes{0x0E, 0x00}},
      {"one 15-bit code too many", hand_stream(1, 0x0F, times(14, "#1") + "#3", 8),
       "the Huffman code table at byte 11 has more codes of 15 bits than fit"},
      {"first skip 255", hand_stream(1, 0x00, "#2 #255 #0 0" + end), Bytes{0xFF}},
      {"first skip 256", hand_stream(1, 0x00, "#2 #256 #0 0" + end, 4),
       "the Huffman code table at byte 6 skips past the last unlisted byte value"},
      {"second skip 254", hand_stream(1, 0xFF, "#2 #0 #254 0" + end), Bytes{0x00}},
      {"second skip 255", hand_stream(1, 0xFF, "#2 #0 #255 0" + end, 4),
       "the Huffman code table at byte 6 skips past the last unlisted byte value"},
      {"a run to the last byte", hand_stream(5, 1, run + "4" + end), Bytes(5, 0)},
      {"a run one past it", hand_stream(5, 1, run + "5" + end),
       "Huffman run at byte 7 writes past the 5-byte output"},
      {"a long run to the last byte", hand_stream(20, 1, long_run + "10" + end), Bytes(20, 0)},
      {"a long run one past it", hand_stream(20, 1, long_run + "11" + end),
       "Huffman run at byte 8 writes past the 20-byte output"},
      {"bytes to the last", hand_stream(2, 1, two + "0 0" + end), Bytes{0, 0}},
      {"a byte past it", hand_stream(1, 1, two + "0 0" + end),
       "Huffman byte at byte 7 writes past the 1-byte output"},
      {"an explicit byte as the last", hand_stream(2, 1, two + "0 1 #0 0 01000001" + end),
       Bytes{0x00, 0x41}},
      {"an explicit byte past it", hand_stream(1, 1, two + "0 1 #0 0 01000001" + end),
       "Huffman byte at byte 7 writes past the 1-byte output"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(test::outcome_of([&] { return huffman_decompress(c.stream); }), c.result) << c.what;
  }
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
