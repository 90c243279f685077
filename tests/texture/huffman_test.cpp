// Tests of Huffman stream expansion, with streams written by hand and by the packer in tools/.
#include "texture/huffman.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <random>
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

// Streams written bit by bit for the limit cases below.
class HandStream {
 public:
  // Counts of codes of 1, 2, ... bits, then one skip a symbol (see read_code_table's format).
  HandStream& table(const std::vector<std::uint32_t>& counts,
                    const std::vector<std::uint32_t>& skips) {
    for (const std::uint32_t count : counts) bits_.put_number(count);
    for (const std::uint32_t skip : skips) bits_.put_number(skip);
    return *this;
  }
  // Codes 0 and 1 of one bit each: 0x00 and the escape 0x01 (counts {2}, skips {0, 0}).
  HandStream& two_symbols() { return table({2}, {0, 0}); }
  HandStream& code(std::uint32_t value, unsigned bits) {
    bits_.put(value, bits);
    return *this;
  }
  HandStream& number(std::uint32_t value) {
    bits_.put_number(value);
    return *this;
  }
  HandStream& number_with_zeros(std::uint32_t value, unsigned zeros) {
    bits_.put_number_with_zeros(value, zeros);
    return *this;
  }
  // After the escape code: number 0, then 1 for the end or 0 and an explicit byte.
  HandStream& end() {
    bits_.put_number(0);
    bits_.put_bit(1);
    return *this;
  }
  HandStream& explicit_byte(std::uint8_t byte) {
    bits_.put_number(0);
    bits_.put_bit(0);
    bits_.put(byte, 8);
    return *this;
  }
  // The whole stream: magic, output length (3 bytes, or 4 with magic B0), escape, the bits,
  // then `padding` zero bytes.
  Bytes bytes(std::uint32_t length, std::uint8_t escape, std::size_t padding = 0,
              std::uint8_t magic = 0x30) const {
    Bytes stream{magic, 0xFB};
    for (int shift = magic == 0xB0 ? 24 : 16; shift >= 0; shift -= 8)
      stream.push_back(static_cast<std::uint8_t>(length >> shift));
    stream.push_back(escape);
    stream.insert(stream.end(), bits_.bytes().begin(), bits_.bytes().end());
    stream.insert(stream.end(), padding, 0);
    return stream;
  }

 private:
  HuffmanBitWriter bits_;
};

// Each refusal check at its boundary: the largest value it lets through (the stream then
// decodes, or fails a later check), and the smallest it refuses. Worked by hand; with the two
// 1-bit codes, the table takes 9 bits, so byte 6 + (bits before a field) / 8 holds the field.
TEST(HuffmanDecompress, EachLimitTakesItsLargestValueAndRefusesTheNext) {
  struct Case {
    const char* what;
    Bytes stream;
    test::Outcome result;  // the output, or the refusal
  };
  // 0x00, the end: 15 bits, 2 bytes.
  const HandStream one_zero = HandStream().two_symbols().code(0, 1).code(1, 1).end();
  // 0x00 and a run of 2^17 - 4 = 131068 written with 15 zeros, then the end.
  const HandStream run_with_15_zeros = HandStream()
                                           .two_symbols()
                                           .code(0, 1)
                                           .code(1, 1)
                                           .number_with_zeros(131068, 15)
                                           .code(1, 1)
                                           .end();
  const HandStream run_with_16_zeros = HandStream()
                                           .two_symbols()
                                           .code(0, 1)
                                           .code(1, 1)
                                           .number_with_zeros(262140, 16)
                                           .code(1, 1)
                                           .end();
  // 256 codes of 8 bits (no shorter ones), symbol s coded as s; escape FF.
  const HandStream all_256 =
      HandStream()
          .table({0, 0, 0, 0, 0, 0, 0, 256}, std::vector<std::uint32_t>(256, 0))
          .code(0x41, 8)
          .code(0xFF, 8)
          .end();
  // 255 codes of 8 bits and 2 of 9: complete, but 257 symbols.
  const HandStream all_257 = HandStream().table({0, 0, 0, 0, 0, 0, 0, 255, 2}, {});
  // One code of each length 1 to 14, then two (or three) of 15 bits: symbols 0 to 15 in
  // order, 14 coded 111111111111110 and 15 (the escape) 111111111111111.
  std::vector<std::uint32_t> to_15(14, 1);
  to_15.push_back(2);
  const HandStream fifteen_bits = HandStream()
                                      .table(to_15, std::vector<std::uint32_t>(16, 0))
                                      .code(0x7FFE, 15)
                                      .code(0, 1)
                                      .code(0x7FFF, 15)
                                      .end();
  to_15.back() = 3;
  const HandStream too_many_15 = HandStream().table(to_15, {});
  const auto two_with_skips = [](std::uint32_t first, std::uint32_t second) {
    return HandStream().table({2}, {first, second}).code(0, 1).code(1, 1).end();
  };
  const auto zeros_then_run = [](int zeros, std::uint32_t run) {
    HandStream stream = HandStream().two_symbols();
    for (int i = 0; i < zeros; ++i) stream.code(0, 1);
    return stream.code(1, 1).number(run).code(1, 1).end();
  };
  const HandStream explicit_after_zero =
      HandStream().two_symbols().code(0, 1).code(1, 1).explicit_byte(0x41).code(1, 1).end();
  const HandStream two_zeros = HandStream().two_symbols().code(0, 1).code(0, 1).code(1, 1).end();
  const Case cases[] = {
      {"header of 6 bytes, nothing after",
       {0x30, 0xFB, 0, 0, 0, 1},
       "the Huffman stream has a number at byte 6 with more than 15 leading zero bits"},
      {"16 MiB", one_zero.bytes(16777216, 1, 300, 0xB0),
       "the Huffman stream ends after 1 of its 16777216 bytes"},
      {"16 MiB and one", one_zero.bytes(16777217, 1, 300, 0xB0),
       "the Huffman stream claims 16777217 bytes of output, more than the 16 MiB tromvex reads"},
      {"7710 bytes a bit", one_zero.bytes(2 * 8 * 7710, 1),
       "the Huffman stream ends after 1 of its 123360 bytes"},
      {"one byte more", one_zero.bytes(2 * 8 * 7710 + 1, 1),
       "the Huffman stream claims 123361 bytes of output, more than its 2 bytes can make"},
      {"15 leading zeros", run_with_15_zeros.bytes(131069, 1), Bytes(131069, 0)},
      {"16 leading zeros", run_with_16_zeros.bytes(262141, 1),
       "the Huffman stream has a number at byte 7 with more than 15 leading zero bits"},
      {"256 symbols", all_256.bytes(1, 0xFF), Bytes{0x41}},
      {"257 symbols", all_257.bytes(1, 0xFF, 8),
       "the Huffman code table at byte 10 lists more than 256 symbols"},
      {"codes of 15 bits filling the space", fifteen_bits.bytes(2, 0x0F), Bytes{0x0E, 0x00}},
      {"one 15-bit code too many", too_many_15.bytes(1, 0x0F, 8),
       "the Huffman code table at byte 11 has more codes of 15 bits than fit"},
      {"first skip 255", two_with_skips(255, 0).bytes(1, 0x00), Bytes{0xFF}},
      {"first skip 256", two_with_skips(256, 0).bytes(1, 0x00, 4),
       "the Huffman code table at byte 6 skips past the last unlisted byte value"},
      {"second skip 254", two_with_skips(0, 254).bytes(1, 0xFF), Bytes{0x00}},
      {"second skip 255", two_with_skips(0, 255).bytes(1, 0xFF, 4),
       "the Huffman code table at byte 6 skips past the last unlisted byte value"},
      {"a run to the last byte", zeros_then_run(1, 4).bytes(5, 1), Bytes(5, 0)},
      {"a run one past it", zeros_then_run(1, 5).bytes(5, 1),
       "Huffman run at byte 7 writes past the 5-byte output"},
      {"a long run to the last byte", zeros_then_run(10, 10).bytes(20, 1), Bytes(20, 0)},
      {"a long run one past it", zeros_then_run(10, 11).bytes(20, 1),
       "Huffman run at byte 8 writes past the 20-byte output"},
      {"bytes to the last", two_zeros.bytes(2, 1), Bytes{0, 0}},
      {"a byte past it", two_zeros.bytes(1, 1),
       "Huffman byte at byte 7 writes past the 1-byte output"},
      {"an explicit byte as the last", explicit_after_zero.bytes(2, 1), Bytes{0x00, 0x41}},
      {"an explicit byte past it", explicit_after_zero.bytes(1, 1),
       "Huffman byte at byte 7 writes past the 1-byte output"},
  };
  for (const Case& c : cases) {
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
