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

// The layout is described in docs/formats.md, "Huffman stream".
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

// The fields of an entry of the first table, a 32-bit word:
//   bits 0-5    the bits of all the codes the entry gives, lowest so that consuming them is one
//               shift straight from the entry
//   bits 8-15   the symbol (of kOne) or the first symbol (of kTwo); for kLonger, bits 8-23 hold
//               the place of the codes' part of the second table
//   bits 16-23  the second symbol (of kTwo)
//   bits 24-27  the bits of the first code
//   bits 28-29  the kind, which for kOne and kTwo is also the count of symbols given
//   bit 31      kSpecial: the escape code or a longer code, which the common way cannot take
namespace first_entry {
enum Kind : unsigned { kOne = 1, kTwo = 2, kLonger = 3 };
constexpr std::uint32_t kAllBitsMask = 0x3F;
constexpr unsigned kFirstSymbolShift = 8;
constexpr unsigned kPlaceShift = 8;
constexpr std::uint32_t kPlaceMask = 0xFFFF;
constexpr unsigned kSecondSymbolShift = 16;
constexpr unsigned kFirstCodeBitsShift = 24;
constexpr std::uint32_t kFirstCodeBitsMask = 0xF;
constexpr unsigned kKindShift = 28;
constexpr std::uint32_t kKindMask = 0x3;
constexpr std::uint32_t kSpecial = std::uint32_t{1} << 31;

constexpr Kind kind(std::uint32_t entry) {
  return static_cast<Kind>((entry >> kKindShift) & kKindMask);
}
constexpr unsigned all_bits(std::uint32_t entry) { return entry & kAllBitsMask; }
constexpr unsigned first_code_bits(std::uint32_t entry) {
  return (entry >> kFirstCodeBitsShift) & kFirstCodeBitsMask;
}
constexpr std::uint8_t first_symbol(std::uint32_t entry) {
  return static_cast<std::uint8_t>(entry >> kFirstSymbolShift);
}
constexpr std::uint8_t second_symbol(std::uint32_t entry) {
  return static_cast<std::uint8_t>(entry >> kSecondSymbolShift);
}
constexpr std::uint32_t place(std::uint32_t entry) { return (entry >> kPlaceShift) & kPlaceMask; }

// One code of `bits` bits.
constexpr std::uint32_t one(std::uint8_t symbol, unsigned bits, bool special) {
  return (special ? kSpecial : 0) | (std::uint32_t{kOne} << kKindShift) |
         (bits << kFirstCodeBitsShift) | (std::uint32_t{symbol} << kFirstSymbolShift) | bits;
}
// Two codes, of first_bits and second_bits bits.
constexpr std::uint32_t two(std::uint8_t first, unsigned first_bits, std::uint8_t second,
                            unsigned second_bits) {
  return (std::uint32_t{kTwo} << kKindShift) | (first_bits << kFirstCodeBitsShift) |
         (std::uint32_t{second} << kSecondSymbolShift) |
         (std::uint32_t{first} << kFirstSymbolShift) | (first_bits + second_bits);
}
// The longer codes whose part of the second table starts at `at`.
constexpr std::uint32_t longer(std::uint32_t at) {
  return kSpecial | (std::uint32_t{kLonger} << kKindShift) | (at << kPlaceShift);
}
}  // namespace first_entry

// An entry of the second table, 16 bits: the symbol in the low byte, its code's bits above it.
namespace second_entry {
constexpr unsigned kBitsShift = 8;
}  // namespace second_entry

// One code as decoded: its symbol and its length in bits.
struct Code {
  std::uint8_t symbol;
  unsigned bits;
};

// The decoding tables. The first is indexed by the next kFirstBits bits, however short the
// codes (a constant shift, and more codes paired), and stays in the fastest cache; each entry
// holds one code, two whole codes that fit those bits together, or the place of a part of the
// second table for the longer codes that begin with them. Built from a complete code, so every
// index decodes.
class CodeTable {
 public:
  static constexpr unsigned kFirstBits = 12;
  static_assert(kBatch * kFirstBits <= 56, "a batch of lookups must fit one refill");
  static_assert(2 * kFirstBits <= first_entry::kAllBitsMask, "two codes' bits fit their field");
  static_assert(kLongestCode <= first_entry::kFirstCodeBitsMask, "a code's bits fit their field");
  static_assert((std::uint32_t{1} << kLongestCode) <= first_entry::kPlaceMask + 1,
                "every place in the second table fits its field");

  // counts[l] codes of l bits for l = 1 to longest, for the symbols in list order.
  CodeTable(const std::array<std::uint32_t, kLongestCode + 1>& counts,
            const std::array<std::uint8_t, kSymbolCount>& symbols, unsigned longest,
            std::uint8_t escape)
      : longest_(longest), escape_(escape) {
    first_.assign(std::size_t{1} << kFirstBits, 0);
    std::uint32_t code = 0;
    std::size_t next = 0;
    for (unsigned length = 1; length <= longest; ++length, code <<= 1) {
      for (std::uint32_t k = 0; k < counts[length]; ++k, ++code)
        place(code, length, symbols[next++]);
    }
    pair_codes();
  }

  const std::uint32_t* first() const { return first_.data(); }

  // The next code.
  Code decode(const BitReader& bits) const {
    const std::uint32_t entry = first_[bits.peek(kFirstBits)];
    if (first_entry::kind(entry) != first_entry::kLonger) {
      return {first_entry::first_symbol(entry), first_entry::first_code_bits(entry)};
    }
    const std::uint16_t longer =
        second_[first_entry::place(entry) + bits.peek_after(kFirstBits, longest_ - kFirstBits)];
    return {static_cast<std::uint8_t>(longer), unsigned{longer} >> second_entry::kBitsShift};
  }

 private:
  void place(std::uint32_t code, unsigned length, std::uint8_t symbol) {
    if (length <= kFirstBits) {
      const unsigned spread = kFirstBits - length;
      std::fill_n(first_.begin() + static_cast<std::ptrdiff_t>(code << spread),
                  std::size_t{1} << spread, first_entry::one(symbol, length, symbol == escape_));
      return;
    }
    std::uint32_t& entry = first_[code >> (length - kFirstBits)];
    if (first_entry::kind(entry) != first_entry::kLonger) {
      entry = first_entry::longer(static_cast<std::uint32_t>(second_.size()));
      second_.resize(second_.size() + (std::size_t{1} << (longest_ - kFirstBits)));
    }
    const std::uint32_t rest = code & ((std::uint32_t{1} << (length - kFirstBits)) - 1);
    const unsigned spread = longest_ - length;
    std::fill_n(
        second_.begin() + static_cast<std::ptrdiff_t>(first_entry::place(entry) + (rest << spread)),
        std::size_t{1} << spread,
        static_cast<std::uint16_t>((length << second_entry::kBitsShift) | symbol));
  }

  // Where a code and the whole next one fit the first bits, and neither is the escape code, the
  // entry gives both.
  void pair_codes() {
    using namespace first_entry;
    const std::vector<std::uint32_t> single = first_;
    const std::uint32_t mask = (std::uint32_t{1} << kFirstBits) - 1;
    for (std::uint32_t index = 0; index <= mask; ++index) {
      const std::uint32_t a = single[index];
      const unsigned a_bits = all_bits(a);
      if (kind(a) != kOne || first_symbol(a) == escape_ || a_bits >= kFirstBits) continue;
      const std::uint32_t b = single[(index << a_bits) & mask];
      const unsigned b_bits = all_bits(b);
      if (kind(b) != kOne || first_symbol(b) == escape_ || b_bits > kFirstBits - a_bits) continue;
      first_[index] = two(first_symbol(a), a_bits, first_symbol(b), b_bits);
    }
  }

  unsigned longest_;
  std::uint8_t escape_;
  std::vector<std::uint32_t> first_;   // first_entry words
  std::vector<std::uint16_t> second_;  // second_entry words
};

// A run right after an escape code of code_bits bits at the top of buffer, taken here only
// when its whole number lies within the count bits of the buffer, a byte is out to repeat and
// it fits below end: then it is written, buffer and count move past the code and the number,
// and the run's length is returned. Otherwise returns 0: the careful way takes it.
std::size_t take_buffered_run(unsigned code_bits, std::uint64_t& buffer, unsigned& count,
                              std::uint8_t* out, std::size_t produced, std::size_t end) {
  const std::uint64_t after = buffer << code_bits;
  const auto zeros = static_cast<unsigned>(std::countl_zero(after));
  const unsigned width = zeros + 2;
  const unsigned used = code_bits + zeros + 1 + width;
  if (produced == 0 || zeros > kMostLeadingZeros || used > count) return 0;
  const std::uint32_t run = static_cast<std::uint32_t>((after << (zeros + 1)) >> (64 - width)) +
                            (std::uint32_t{1} << width) - 4;
  if (run == 0 || run > end - produced) return 0;
  fill_run(out + produced, out[produced - 1], run, end - produced);
  buffer <<= used;
  count -= used;
  return run;
}

// The fast loop: decodes the common codes, one or two a lookup of the first table, and the runs
// whose number is in the buffer, without a branch on how many symbols a lookup gave (both are
// written and the count kept). Writes only below end, the part of the output zero-filled so far.
// Returns the new count of bytes produced at the first thing it leaves to the careful way: a
// longer code, an explicit byte, the end code, a run it does not take, or an output within a
// batch of end.
std::size_t decode_fast(const std::uint32_t* first, BitReader& bits, std::uint8_t* out,
                        std::size_t produced, std::size_t end) {
  std::uint64_t buffer = bits.buffer();  // in registers, whatever the stores below alias
  unsigned count = bits.count();
  // The bound: a batch of kBatch lookups writes at most two bytes a lookup, so a batch starts
  // only while that much room is left below end. After its one refill the buffer holds at
  // least 56 bits, enough for kBatch lookups of at most kFirstBits each: no check between them.
  while (end - produced >= 2 * kBatch) [[likely]] {
      bits.restore(buffer, count);
      bits.refill();
      buffer = bits.buffer();
      count = bits.count();
      bool special = false;
      for (unsigned step = 0; step < kBatch; ++step) {
        const std::uint32_t entry = first[buffer >> (64 - CodeTable::kFirstBits)];
        if ((entry & first_entry::kSpecial) != 0) [[unlikely]] {
          special = true;
          break;
        }
        out[produced] = first_entry::first_symbol(entry);
        out[produced + 1] = first_entry::second_symbol(entry);
        produced += first_entry::kind(entry);
        buffer <<= first_entry::all_bits(entry);
        count -= first_entry::all_bits(entry);
      }
      if (!special) continue;
      // A special entry: the escape code (kOne) or a longer code (kLonger).
      const std::uint32_t entry = first[buffer >> (64 - CodeTable::kFirstBits)];
      if (first_entry::kind(entry) != first_entry::kOne) break;
      const std::size_t run =
          take_buffered_run(first_entry::all_bits(entry), buffer, count, out, produced, end);
      if (run == 0) break;
      produced += run;
    }
  bits.restore(buffer, count);
  return produced;
}

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

  // The reader is copied into a local for the loops: output bytes are written through a byte
  // pointer, which could alias a member, and the reader's state must stay in registers. Each
  // round takes what it can the fast way and then one code the careful way.
  void decode_data(const CodeTable& table) {
    BitReader bits = bits_;
    const std::uint32_t* const first = table.first();
    std::uint8_t* const out = output_.data();  // never moves: the whole length is reserved
    std::size_t limit = output_.size();        // the part zero-filled so far
    std::size_t produced = 0;
    do {
      if (limit - produced < kFirstPart / 2)
        room_for(std::min(kFirstPart, length_ - produced), produced, limit);
      produced = decode_fast(first, bits, out, produced, limit);
    } while (decode_careful(table, bits, out, produced, limit));
    if (bits.overran()) fail_truncated();
    if (produced < length_) {
      throw MalformedFile("the Huffman stream ends after " + std::to_string(produced) + " of its " +
                          std::to_string(length_) + " bytes");
    }
  }

  // Whether n more bytes fit the output after the produced ones, growing the part zero-filled so
  // far (limit bytes) to hold them.
  bool room_for(std::size_t n, std::size_t produced, std::size_t& limit) {
    if (n <= limit - produced) return true;
    if (n > length_ - produced) return false;
    limit = std::min(length_, std::max(produced + n, 2 * limit));
    output_.resize(limit);
    return true;
  }

  // The careful way: one code with every bound checked, each read after a refill: any code, a
  // run, an explicit byte or the end code, and every fault. Returns false after the end code.
  bool decode_careful(const CodeTable& table, BitReader& bits, std::uint8_t* out,
                      std::size_t& produced, std::size_t& limit) {
    bits.refill();
    const Code code = table.decode(bits);
    const std::size_t at = bits.byte_position();
    if (code.symbol != escape_) {
      // A byte that does not fit is named before its code is taken: were the code cut short,
      // that would be the fault named instead.
      if (!room_for(1, produced, limit)) fail_past_output(bits.overran(), "byte", at, length_);
      bits.consume(code.bits);
      out[produced++] = code.symbol;
      return true;
    }
    bits.consume(code.bits);
    const std::uint32_t run = read_number(bits);
    if (run > 0) {
      if (produced == 0) {
        fail(bits.overran(), "Huffman run at byte " + std::to_string(at) +
                                 " repeats the last byte before any output");
      }
      if (!room_for(run, produced, limit)) fail_past_output(bits.overran(), "run", at, length_);
      fill_run(out + produced, out[produced - 1], run, limit - produced);
      produced += run;
      return true;
    }
    bits.refill();
    if (bits.take(1) == 1) return false;  // the end code
    const auto explicit_byte = static_cast<std::uint8_t>(bits.take(kBitsPerByte));
    if (!room_for(1, produced, limit)) fail_past_output(bits.overran(), "byte", at, length_);
    out[produced++] = explicit_byte;
    return true;
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
