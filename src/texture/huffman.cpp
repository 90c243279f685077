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
#include "common/records.hpp"

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
// The output is zero-filled a part at a time, the first this long, each next one as long as
// all before it.
constexpr std::size_t kFirstPart = std::size_t{64} << 10;

constexpr unsigned kLongestCode = 15;
constexpr unsigned kMostLeadingZeros = 15;
constexpr unsigned kSymbolCount = 256;
constexpr unsigned kBitsPerByte = 8;
// Lookups of the first table decoded after one refill of the bit buffer.
constexpr unsigned kBatch = 4;

// Reads the bit stream most significant bit first through a 64-bit buffer. Peeking past the
// end of the input sees zero bits; whether a bit past the end was consumed is told by
// overran(), so a stream cut short is refused, never read beyond.
class BitReader {
 public:
  BitReader(std::span<const std::uint8_t> stream, std::size_t start)
      : stream_(stream), start_(start), next_(start) {
    refill();
  }

  // Fills the buffer to at least 56 bits: enough for any code with the number after it, or for
  // four lookups of the first table.
  void refill() {
    if (next_ <= stream_.size() && stream_.size() - next_ >= sizeof(std::uint64_t)) {
      // Bits past the whole bytes counted are the next byte's own: adding them again later
      // leaves them as they are.
      buffer_ |= load_big_endian(stream_.data() + next_) >> count_;
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
  // The bits bits after the next skip bits, without consuming any.
  unsigned peek_after(unsigned skip, unsigned bits) const {
    return static_cast<unsigned>((buffer_ << skip) >> (64 - bits));
  }
  unsigned leading_zeros() const { return static_cast<unsigned>(std::countl_zero(buffer_)); }

  // For a run of lookups kept in registers: the buffer and its bit count, and putting them back.
  std::uint64_t buffer() const { return buffer_; }
  unsigned count() const { return count_; }
  void restore(std::uint64_t buffer, unsigned count) {
    buffer_ = buffer;
    count_ = count;
  }

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
  static std::uint64_t load_big_endian(const std::uint8_t* p) {
    return (std::uint64_t{p[0]} << 56) | (std::uint64_t{p[1]} << 48) | (std::uint64_t{p[2]} << 40) |
           (std::uint64_t{p[3]} << 32) | (std::uint64_t{p[4]} << 24) | (std::uint64_t{p[5]} << 16) |
           (std::uint64_t{p[6]} << 8) | std::uint64_t{p[7]};
  }

  std::span<const std::uint8_t> stream_;
  std::size_t start_;         // the first byte of the bit stream
  std::size_t next_;          // the next byte to load; may pass the end (zero bytes past it)
  std::uint64_t buffer_ = 0;  // the next bits, first at the top; bits past count_ are zero or
                              // the next byte's own
  unsigned count_ = 0;        // bits in the buffer
};

// Writes run copies of byte at out. A short run is written as two whole words when the output
// has room for them: the bytes past the run are rewritten later, since a stream must fill its
// whole output.
void fill_run(std::uint8_t* out, std::uint8_t byte, std::size_t run, std::size_t room) {
  constexpr std::size_t kWord = sizeof(std::uint64_t);
  if (run <= 2 * kWord && room >= 2 * kWord) {
    const std::uint64_t word = byte * std::uint64_t{0x0101010101010101};
    std::memcpy(out, &word, kWord);
    std::memcpy(out + kWord, &word, kWord);
    return;
  }
  std::memset(out, byte, run);
}

// The decoding tables. The first is indexed by the next 12 bits, however short the codes (a
// constant shift, and more codes paired), and stays in the fastest cache; each entry holds one
// code, two whole codes that fit those bits together, or the place of a second table for the longer
// codes that begin with them. Built from a complete code, so every index decodes.
class CodeTable {
 public:
  enum Kind : unsigned { kOne = 1, kTwo = 2, kLonger = 3 };
  static constexpr unsigned kFirstBits = 12;
  static_assert(kBatch * kFirstBits <= 56, "a batch of lookups must fit one refill");

  // counts[l] codes of l bits for l = 1 to longest, for the symbols in list order.
  CodeTable(const std::array<std::uint32_t, kLongestCode + 1>& counts,
            const std::array<std::uint8_t, kSymbolCount>& symbols, unsigned longest,
            std::uint8_t escape)
      : longest_(longest), first_bits_(kFirstBits), escape_(escape) {
    first_.assign(std::size_t{1} << first_bits_, 0);
    std::uint32_t code = 0;
    std::size_t next = 0;
    for (unsigned length = 1; length <= longest; ++length, code <<= 1) {
      for (std::uint32_t k = 0; k < counts[length]; ++k, ++code)
        place(code, length, symbols[next++]);
    }
    pair_codes();
  }

  unsigned first_bits() const { return first_bits_; }
  const std::uint32_t* first() const { return first_.data(); }

  static Kind kind(std::uint32_t entry) { return static_cast<Kind>((entry >> 28) & 3); }
  // Set for the escape code and for longer codes: the entries the common way cannot take.
  static constexpr std::uint32_t kSpecial = std::uint32_t{1} << 31;
  // In the lowest bits, so that consuming them is one shift straight from the entry.
  static unsigned bits_of_all(std::uint32_t entry) { return entry & 0x3F; }
  static std::uint8_t first_symbol(std::uint32_t entry) {
    return static_cast<std::uint8_t>(entry >> 8);
  }
  static std::uint8_t second_symbol(std::uint32_t entry) {
    return static_cast<std::uint8_t>(entry >> 16);
  }

  // The next code's symbol in the low byte and its length above it.
  std::uint16_t decode(const BitReader& bits) const {
    const std::uint32_t entry = first_[bits.peek(first_bits_)];
    if (kind(entry) == kLonger) {
      return second_[place_of(entry) + bits.peek_after(first_bits_, longest_ - first_bits_)];
    }
    return static_cast<std::uint16_t>(first_symbol(entry) | (((entry >> 24) & 0xF) << 8));
  }

 private:
  std::uint32_t one(unsigned symbol, unsigned length) const {
    return (symbol == escape_ ? kSpecial : 0) | (std::uint32_t{kOne} << 28) | (length << 24) |
           (symbol << 8) | length;
  }
  static std::uint32_t place_of(std::uint32_t entry) { return (entry >> 8) & 0xFFFF; }

  void place(std::uint32_t code, unsigned length, std::uint8_t symbol) {
    if (length <= first_bits_) {
      const unsigned spread = first_bits_ - length;
      std::fill_n(first_.begin() + static_cast<std::ptrdiff_t>(code << spread),
                  std::size_t{1} << spread, one(symbol, length));
      return;
    }
    std::uint32_t& entry = first_[code >> (length - first_bits_)];
    if (kind(entry) != kLonger) {
      entry = kSpecial | (std::uint32_t{kLonger} << 28) |
              (static_cast<std::uint32_t>(second_.size()) << 8);
      second_.resize(second_.size() + (std::size_t{1} << (longest_ - first_bits_)));
    }
    const std::uint32_t rest = code & ((std::uint32_t{1} << (length - first_bits_)) - 1);
    const unsigned spread = longest_ - length;
    std::fill_n(second_.begin() + static_cast<std::ptrdiff_t>(place_of(entry) + (rest << spread)),
                std::size_t{1} << spread, static_cast<std::uint16_t>((length << 8) | symbol));
  }

  // Where a code and the whole next one fit the first bits, and neither is the escape code, the
  // entry gives both.
  void pair_codes() {
    const std::vector<std::uint32_t> single = first_;
    const std::uint32_t mask = (std::uint32_t{1} << first_bits_) - 1;
    for (std::uint32_t index = 0; index <= mask; ++index) {
      const std::uint32_t a = single[index];
      const unsigned a_bits = bits_of_all(a);
      if (kind(a) != kOne || first_symbol(a) == escape_ || a_bits >= first_bits_) continue;
      const std::uint32_t b = single[(index << a_bits) & mask];
      const unsigned b_bits = bits_of_all(b);
      if (kind(b) != kOne || first_symbol(b) == escape_ || b_bits > first_bits_ - a_bits) continue;
      first_[index] = (std::uint32_t{kTwo} << 28) | (a_bits << 24) |
                      (std::uint32_t{first_symbol(b)} << 16) |
                      (std::uint32_t{first_symbol(a)} << 8) | (a_bits + b_bits);
    }
  }

  unsigned longest_;
  unsigned first_bits_;
  std::uint8_t escape_;
  // Bits 0-5: the bits of all codes given; 8-15: the (first) symbol, or for kLonger bits 8-23
  // the second table's place; 16-23: the second symbol of kTwo; 24-27: the bits of the first
  // code; 28-29: the kind, which for kOne and kTwo is the count of symbols; 31: kSpecial.
  std::vector<std::uint32_t> first_;
  std::vector<std::uint16_t> second_;  // the symbol, and its whole code's length above it
};

class HuffmanDecoder {
 public:
  HuffmanDecoder(std::span<const std::uint8_t> stream, std::size_t bits_start,
                 std::size_t output_length, std::uint8_t escape)
      : bits_(stream, bits_start), length_(output_length), escape_(escape) {
    // The whole length is reserved but only what is decoded is zero-filled and touched, a part
    // at a time: a stream that claims much and decodes little costs little.
    output_.reserve(output_length);
    output_.resize(std::min(output_length, kFirstPart));
  }

  Bytes run() {
    const CodeTable table = read_code_table();
    decode_data(table);
    return std::move(output_);
  }

 private:
  // A variable-length number: z zero bits, a one bit, then z + 2 bits v; the number is
  // v + 2^(z+2) - 4.
  static std::uint32_t read_number(BitReader& bits) {
    bits.refill();
    const unsigned zeros = bits.leading_zeros();
    if (zeros > kMostLeadingZeros) {
      fail(bits.overran(), "the Huffman stream has a number at byte " +
                               std::to_string(bits.byte_position()) +
                               " with more than 15 leading zero bits");
    }
    bits.consume(zeros + 1);
    const unsigned width = zeros + 2;
    return bits.take(width) + (std::uint32_t{1} << width) - 4;
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
      const std::uint32_t count = read_number(bits_);
      space = 2 * space + count;
      symbols += count;
      if (symbols > kSymbolCount) {
        fail(bits_.overran(), "the Huffman code table at byte " + std::to_string(at) +
                                  " lists more than 256 symbols");
      }
      if (space > (std::uint32_t{1} << length)) {
        fail(bits_.overran(), "the Huffman code table at byte " + std::to_string(at) +
                                  " has more codes of " + std::to_string(length) +
                                  " bits than fit");
      }
      counts[length] = count;
      if (count > 0 && space == (std::uint32_t{1} << length)) longest = length;
    }
    if (longest == 0)
      fail(bits_.overran(), "the Huffman code table has no complete code of at most 15 bits");

    // Which byte value each code stands for, listed by skip counts over the unlisted values.
    std::array<std::uint8_t, kSymbolCount> symbol_of{};
    std::array<bool, kSymbolCount> listed{};
    unsigned cursor = 0xFF;
    for (std::uint32_t i = 0; i < symbols; ++i) {
      const std::size_t at = bits_.byte_position();
      const std::uint32_t skip = read_number(bits_);
      if (skip >= kSymbolCount - i) {
        fail(bits_.overran(), "the Huffman code table at byte " + std::to_string(at) +
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
      fail(bits_.overran(),
           "the Huffman code table has no code for the escape byte " + hex_byte(escape_));
    }

    return CodeTable(counts, symbol_of, longest, escape_);
  }

  // The reader is copied into a local for the loop: output bytes are written through a byte
  // pointer, which could alias a member, and the reader's state must stay in registers.
  void decode_data(const CodeTable& table) {
    BitReader bits = bits_;
    std::uint8_t* const out = output_.data();  // never moves: the whole length is reserved
    const std::size_t length = length_;
    std::size_t limit = output_.size();  // the part zero-filled so far
    // Whether n more bytes fit the output, growing the filled part to hold them.
    const auto room_for = [&](std::size_t n, std::size_t produced) {
      if (n <= limit - produced) return true;
      if (n > length - produced) return false;
      limit = std::min(length, std::max(produced + n, 2 * limit));
      output_.resize(limit);
      return true;
    };
    const std::uint32_t* const first = table.first();
    constexpr unsigned first_bits = CodeTable::kFirstBits;  // a constant shift
    const std::uint8_t escape = escape_;
    std::size_t produced = 0;
    for (;;) {
      if (limit - produced < kFirstPart / 2)
        room_for(std::min(kFirstPart, length - produced), produced);
      bits.refill();
      // The common codes, one or two a lookup of the first table (at most 12 bits), and runs
      // whose number is in the buffer are decoded here while the buffer holds enough bits,
      // without a branch on how many symbols a lookup gave: both are written and the count
      // kept. Long codes, explicit bytes, the end, faults and the last byte of the output take
      // the way below.
      std::uint64_t buffer = bits.buffer();  // in registers, whatever the stores below alias
      unsigned count = bits.count();
      const std::size_t end = limit;
      bool special = false;
      // A batch: one refill, then kBatch lookups with no check between them, since a refill
      // leaves at least 56 bits and each lookup takes at most 12; the output has room for two
      // bytes a lookup. A special entry ends the batch.
      while (end - produced >= 2 * kBatch) [[likely]] {
          bits.restore(buffer, count);
          bits.refill();
          buffer = bits.buffer();
          count = bits.count();
          for (unsigned step = 0; step < kBatch; ++step) {
            const std::uint32_t fast = first[buffer >> (64 - first_bits)];
            if ((fast & CodeTable::kSpecial) != 0) [[unlikely]] {
              special = true;
              break;
            }
            out[produced] = CodeTable::first_symbol(fast);
            out[produced + 1] = CodeTable::second_symbol(fast);
            produced += CodeTable::kind(fast);
            buffer <<= CodeTable::bits_of_all(fast);
            count -= CodeTable::bits_of_all(fast);
          }
          if (!special) continue;
          const std::uint32_t fast = first[buffer >> (64 - first_bits)];
          if (CodeTable::kind(fast) != CodeTable::kOne || produced == 0) break;
          const unsigned code_bits = CodeTable::bits_of_all(fast);
          const std::uint64_t after = buffer << code_bits;
          const auto zeros = static_cast<unsigned>(std::countl_zero(after));
          const unsigned width = zeros + 2;
          const unsigned used = code_bits + zeros + 1 + width;
          if (zeros > kMostLeadingZeros || used > count) break;
          const std::uint32_t run =
              static_cast<std::uint32_t>((after << (zeros + 1)) >> (64 - width)) +
              (std::uint32_t{1} << width) - 4;
          if (run == 0 || run > end - produced) break;
          fill_run(out + produced, out[produced - 1], run, end - produced);
          produced += run;
          buffer <<= used;
          count -= used;
          special = false;
        }
      bits.restore(buffer, count);
      bits.refill();
      const std::uint16_t entry = table.decode(bits);
      const auto symbol = static_cast<std::uint8_t>(entry);
      const std::size_t at = bits.byte_position();
      if (symbol != escape) {
        if (!room_for(1, produced)) fail_past_output(bits.overran(), "byte", at, length);
        bits.consume(entry >> 8);
        out[produced++] = symbol;
        continue;
      }
      bits.consume(entry >> 8);
      const std::uint32_t run = read_number(bits);
      if (run > 0) {
        if (produced == 0) {
          fail(bits.overran(), "Huffman run at byte " + std::to_string(at) +
                                   " repeats the last byte before any output");
        }
        if (!room_for(run, produced)) fail_past_output(bits.overran(), "run", at, length);
        fill_run(out + produced, out[produced - 1], run, limit - produced);
        produced += run;
        continue;
      }
      bits.refill();
      if (bits.take(1) == 1) break;  // the end code
      const auto explicit_byte = static_cast<std::uint8_t>(bits.take(kBitsPerByte));
      if (!room_for(1, produced)) fail_past_output(bits.overran(), "byte", at, length);
      out[produced++] = explicit_byte;
    }
    if (bits.overran()) fail_truncated();
    if (produced < length) {
      throw MalformedFile("the Huffman stream ends after " + std::to_string(produced) + " of its " +
                          std::to_string(length) + " bytes");
    }
  }

  // A stream cut short shows as whatever its zero padding decodes to; name the real fault.
  // Takes whether the reader overran rather than the reader, so that the reader's address never
  // escapes the decoding loop and its state stays in registers.
  [[noreturn]] static void fail(bool overran, const std::string& message) {
    if (overran) fail_truncated();
    throw MalformedFile(message);
  }

  [[noreturn]] static void fail_past_output(bool overran, const char* what, std::size_t at,
                                            std::size_t length) {
    fail(overran, "Huffman " + std::string(what) + " at byte " + std::to_string(at) +
                      " writes past the " + std::to_string(length) + "-byte output");
  }

  [[noreturn]] static void fail_truncated() {
    throw MalformedFile("the Huffman stream ends before its end code");
  }

  BitReader bits_;
  std::size_t length_;
  Bytes output_;  // zero-filled as it grows, so no byte of it is ever undefined
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
  if (!has_huffman_magic(stream))
    throw MalformedFile("the stream does not begin with a Huffman magic");
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
    throw MalformedFile(
        "the Huffman stream claims " + std::to_string(output_length) +
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
