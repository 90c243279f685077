// Expands a Huffman-compressed stream.
#include "texture/huffman.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/malformed_file.hpp"

namespace tromvex {
namespace {

// The magic: its low byte is FB; its high byte holds the scheme (bits 0x7E), a 3-byte extra
// field before the output length (bit 0x01) and 4-byte size fields (bit 0x80).
constexpr std::uint8_t kMagicLowByte = 0xFB;
constexpr std::uint8_t kSchemeBits = 0x7E;
constexpr std::uint8_t kExtraFieldBit = 0x01;
constexpr std::uint8_t kWideSizesBit = 0x80;
constexpr std::uint8_t kPlainScheme = 0x30;
constexpr std::uint8_t kDeltaScheme = 0x32;        // one running sum after decoding
constexpr std::uint8_t kDoubleDeltaScheme = 0x34;  // two running sums after decoding
constexpr std::size_t kMagicSize = 2;
constexpr std::size_t kNarrowSizeField = 3;
constexpr std::size_t kWideSizeField = 4;

// A 4-byte output length may ask for far more than any texture archive needs.
constexpr std::size_t kMaxOutputLength = std::size_t{16} << 20;
// The most output one bit of the stream can make: a run of 2^18 - 5 bytes (a number with 15
// leading zeros) written with at least 34 bits (a 1-bit escape code and the 33-bit number).
constexpr std::uint64_t kMaxOutputPerBit = 7710;

constexpr unsigned kLongestCode = 15;
constexpr unsigned kMostLeadingZeros = 15;
constexpr unsigned kSymbolCount = 256;
constexpr unsigned kBitsPerByte = 8;

// Reads the bit stream most significant bit first through a 64-bit buffer. Peeking past the
// end of the input sees zero bits; whether a bit past the end was consumed is told by
// overran(), so a stream cut short is refused, never read beyond.
class BitReader {
 public:
  BitReader(std::span<const std::uint8_t> stream, std::size_t start)
      : stream_(stream), start_(start), next_(start) {
    refill();
  }

  // Fills the buffer to at least 57 bits: enough for any one code and number with its bits.
  void refill() {
    if (next_ <= stream_.size() && stream_.size() - next_ >= sizeof(std::uint64_t)) {
      std::uint64_t word = 0;
      std::memcpy(&word, stream_.data() + next_, sizeof word);
      if constexpr (std::endian::native == std::endian::little) word = byteswap(word);
      // Bits past the whole bytes counted are the next byte's own: adding them again later
      // leaves them as they are.
      buffer_ |= word >> count_;
      const unsigned taken = (63 - count_) / kBitsPerByte;
      next_ += taken;
      count_ += taken * kBitsPerByte;
      return;
    }
    while (count_ <= 56) {
      const std::uint64_t byte = next_ < stream_.size() ? stream_[next_] : 0;
      buffer_ |= byte << (56 - count_);
      ++next_;
      count_ += kBitsPerByte;
    }
  }

  // The next 1 to 32 bits, without consuming them.
  unsigned peek(unsigned bits) const { return static_cast<unsigned>(buffer_ >> (64 - bits)); }
  unsigned leading_zeros() const { return static_cast<unsigned>(std::countl_zero(buffer_)); }

  void consume(unsigned bits) {
    buffer_ <<= bits;
    count_ -= bits;
  }

  // Takes 1 to 32 bits as an unsigned value; the buffer holds them after refill().
  std::uint32_t take(unsigned bits) {
    const unsigned value = peek(bits);
    consume(bits);
    return value;
  }

  std::size_t consumed_bits() const { return (next_ - start_) * kBitsPerByte - count_; }
  std::size_t byte_position() const { return start_ + consumed_bits() / kBitsPerByte; }
  bool overran() const { return consumed_bits() > (stream_.size() - start_) * kBitsPerByte; }

 private:
  static std::uint64_t byteswap(std::uint64_t value) {
    std::uint64_t swapped = 0;
    for (unsigned i = 0; i < sizeof value; ++i) {
      swapped = (swapped << 8) | ((value >> (8 * i)) & 0xFF);
    }
    return swapped;
  }

  std::span<const std::uint8_t> stream_;
  std::size_t start_;     // the first byte of the bit stream
  std::size_t next_;      // the next byte to load; may pass the end (zero bytes past it)
  std::uint64_t buffer_ = 0;  // the next bits, first at the top; bits past count_ are zero or
                              // the next byte's own
  unsigned count_ = 0;    // bits in the buffer
};

// A decoding table indexed by the next `longest` bits: each entry holds the symbol in its low
// byte and the code's length above it.
struct CodeTable {
  std::vector<std::uint16_t> entries;
  unsigned longest = 0;
};

std::string hex_byte(unsigned value) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

class HuffmanDecoder {
 public:
  HuffmanDecoder(std::span<const std::uint8_t> stream, std::size_t bits_start, std::size_t output_length,
                 std::uint8_t escape)
      : bits_(stream, bits_start), output_(output_length), escape_(escape) {}

  Bytes run() {
    const CodeTable table = read_code_table();
    decode_data(table);
    return std::move(output_);
  }

 private:
  // A variable-length number: z zero bits, a one bit, then z + 2 bits v; the number is
  // v + 2^(z+2) - 4.
  std::uint32_t read_number() {
    bits_.refill();
    const unsigned zeros = bits_.leading_zeros();
    if (zeros > kMostLeadingZeros) {
      fail("the Huffman stream has a number at byte " + std::to_string(bits_.byte_position()) +
           " with more than 15 leading zero bits");
    }
    bits_.consume(zeros + 1);
    const unsigned width = zeros + 2;
    return bits_.take(width) + (std::uint32_t{1} << width) - 4;
  }

  CodeTable read_code_table() {
    // How many codes of each length: the code space used must never exceed 2^length, and the
    // table ends at the first length that fills it exactly.
    std::array<std::uint32_t, kLongestCode + 1> counts{};
    std::uint32_t space = 0;
    std::uint32_t symbols = 0;
    unsigned longest = 0;
    for (unsigned length = 1; length <= kLongestCode && longest == 0; ++length) {
      const std::size_t at = bits_.byte_position();
      const std::uint32_t count = read_number();
      space = 2 * space + count;
      symbols += count;
      if (symbols > kSymbolCount) {
        fail("the Huffman code table at byte " + std::to_string(at) + " lists more than 256 symbols");
      }
      if (space > (std::uint32_t{1} << length)) {
        fail("the Huffman code table at byte " + std::to_string(at) + " has more codes of " +
             std::to_string(length) + " bits than fit");
      }
      counts[length] = count;
      if (count > 0 && space == (std::uint32_t{1} << length)) longest = length;
    }
    if (longest == 0) fail("the Huffman code table has no complete code of at most 15 bits");

    // Which byte value each code stands for, listed by skip counts over the unlisted values.
    std::array<std::uint8_t, kSymbolCount> symbol_of{};
    std::array<bool, kSymbolCount> listed{};
    unsigned cursor = 0xFF;
    for (std::uint32_t i = 0; i < symbols; ++i) {
      const std::size_t at = bits_.byte_position();
      const std::uint32_t skip = read_number();
      if (skip >= kSymbolCount - i) {
        fail("the Huffman code table at byte " + std::to_string(at) +
             " skips past the last unlisted byte value");
      }
      for (std::uint32_t passed = 0;;) {
        cursor = (cursor + 1) & 0xFF;
        if (!listed[cursor] && passed++ == skip) break;
      }
      listed[cursor] = true;
      symbol_of[i] = static_cast<std::uint8_t>(cursor);
    }
    if (!listed[escape_]) {
      fail("the Huffman code table has no code for the escape byte " + hex_byte(escape_));
    }

    // Canonical codes in list order; each fills the table entries that begin with it.
    CodeTable table;
    table.longest = longest;
    table.entries.resize(std::size_t{1} << longest);
    std::uint32_t code = 0;
    std::uint32_t next_symbol = 0;
    for (unsigned length = 1; length <= longest; ++length, code <<= 1) {
      for (std::uint32_t k = 0; k < counts[length]; ++k, ++code, ++next_symbol) {
        const unsigned spread = longest - length;
        const auto entry = static_cast<std::uint16_t>((length << 8) | symbol_of[next_symbol]);
        std::fill_n(table.entries.begin() + static_cast<std::ptrdiff_t>(code << spread),
                    std::size_t{1} << spread, entry);
      }
    }
    return table;
  }

  void decode_data(const CodeTable& table) {
    std::uint8_t* const out = output_.data();
    const std::size_t length = output_.size();
    std::size_t produced = 0;
    for (;;) {
      bits_.refill();
      const std::uint16_t entry = table.entries[bits_.peek(table.longest)];
      const auto symbol = static_cast<std::uint8_t>(entry);
      if (symbol != escape_) {
        if (produced == length) fail_past_output("byte", bits_.byte_position(), length);
        bits_.consume(entry >> 8);
        out[produced++] = symbol;
        continue;
      }
      const std::size_t at = bits_.byte_position();
      bits_.consume(entry >> 8);
      const std::uint32_t run = read_number();
      if (run > 0) {
        if (produced == 0) {
          fail("Huffman run at byte " + std::to_string(at) + " repeats the last byte before any output");
        }
        if (run > length - produced) fail_past_output("run", at, length);
        std::memset(out + produced, out[produced - 1], run);
        produced += run;
        continue;
      }
      bits_.refill();
      if (bits_.take(1) == 1) break;  // the end code
      const auto explicit_byte = static_cast<std::uint8_t>(bits_.take(kBitsPerByte));
      if (produced == length) fail_past_output("byte", at, length);
      out[produced++] = explicit_byte;
    }
    if (bits_.overran()) fail_truncated();
    if (produced < length) {
      throw MalformedFile("the Huffman stream ends after " + std::to_string(produced) + " of its " +
                          std::to_string(length) + " bytes");
    }
  }

  // A stream cut short shows as whatever its zero padding decodes to; name the real fault.
  [[noreturn]] void fail(const std::string& message) const {
    if (bits_.overran()) fail_truncated();
    throw MalformedFile(message);
  }

  [[noreturn]] void fail_past_output(const char* what, std::size_t at, std::size_t length) const {
    fail("Huffman " + std::string(what) + " at byte " + std::to_string(at) + " writes past the " +
         std::to_string(length) + "-byte output");
  }

  [[noreturn]] static void fail_truncated() {
    throw MalformedFile("the Huffman stream ends before its end code");
  }

  BitReader bits_;
  Bytes output_;  // zero-filled, so no byte of it is ever undefined
  std::uint8_t escape_;
};

std::size_t read_big_endian(std::span<const std::uint8_t> field) {
  std::size_t value = 0;
  for (const std::uint8_t byte : field) value = (value << 8) | byte;
  return value;
}

void undo_running_sum(Bytes& bytes) {
  std::uint8_t sum = 0;
  for (std::uint8_t& byte : bytes) {
    sum = static_cast<std::uint8_t>(sum + byte);
    byte = sum;
  }
}

}  // namespace

bool has_huffman_magic(std::span<const std::uint8_t> stream) {
  if (stream.size() < kMagicSize || stream[1] != kMagicLowByte) return false;
  const unsigned scheme = stream[0] & kSchemeBits;
  return scheme == kPlainScheme || scheme == kDeltaScheme || scheme == kDoubleDeltaScheme;
}

Bytes huffman_decompress(std::span<const std::uint8_t> stream) {
  if (!has_huffman_magic(stream)) throw MalformedFile("the stream does not begin with a Huffman magic");
  const std::size_t field = (stream[0] & kWideSizesBit) != 0 ? kWideSizeField : kNarrowSizeField;
  const std::size_t length_at = kMagicSize + ((stream[0] & kExtraFieldBit) != 0 ? field : 0);
  const std::size_t escape_at = length_at + field;
  const std::size_t header_size = escape_at + 1;
  if (stream.size() < header_size) {
    throw MalformedFile("the Huffman stream ends inside its " + std::to_string(header_size) +
                        "-byte header");
  }
  const std::size_t output_length = read_big_endian(stream.subspan(length_at, field));
  const std::uint64_t stream_bits = std::uint64_t{stream.size() - header_size} * kBitsPerByte;
  if (output_length > kMaxOutputLength || output_length > stream_bits * kMaxOutputPerBit) {
    throw MalformedFile("the Huffman stream claims " + std::to_string(output_length) +
                        " bytes of output, more than " +
                        (output_length > kMaxOutputLength
                             ? std::string("the 16 MiB tromvex reads")
                             : "its " + std::to_string(stream.size() - header_size) + " bytes can make"));
  }
  HuffmanDecoder decoder(stream, header_size, output_length, stream[escape_at]);
  Bytes output = decoder.run();
  const unsigned scheme = stream[0] & kSchemeBits;
  if (scheme == kDeltaScheme || scheme == kDoubleDeltaScheme) undo_running_sum(output);
  if (scheme == kDoubleDeltaScheme) undo_running_sum(output);
  return output;
}

}  // namespace tromvex
