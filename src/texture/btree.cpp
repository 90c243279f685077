// Expands a BTree-compressed stream.
#include "texture/btree.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string>

#include "common/malformed_file.hpp"
#include "common/records.hpp"

namespace tromvex {
namespace {

// The layout is described in docs/formats.md, "BTree stream".
// Header: magic 46 FB, the output length (24-bit big-endian), the escape byte, the pair count;
// then 3 bytes an entry (the value, then its pair) and the body.
constexpr std::uint8_t kMagicByte0 = 0x46;
constexpr std::uint8_t kMagicByte1 = 0xFB;
constexpr std::size_t kLengthAt = 2;
constexpr std::size_t kEscapeAt = 5;
constexpr std::size_t kPairCountAt = 6;
constexpr std::size_t kHeaderSize = 7;
constexpr std::size_t kEntrySize = 3;
constexpr unsigned kValueCount = 256;
constexpr std::uint8_t kEndMarker = 0x00;  // after the escape byte

// Expansions up to this long are kept whole and copied in one step; longer ones are walked
// down to such pieces.
constexpr std::size_t kStoredExpansion = 32;

// Every byte value with its expansion's length (saturated one past the output length, so no
// sum can overflow) and, when short, the expansion itself. A value not defined stands for
// itself.
class Dictionary {
 public:
  Dictionary(std::span<const std::uint8_t> stream, std::uint8_t escape, std::uint32_t saturation)
      : saturation_(saturation) {
    for (unsigned v = 0; v < kValueCount; ++v) {
      length_[v] = 1;
      stored_[v][0] = static_cast<std::uint8_t>(v);
    }
    read_entries(stream, escape);
    measure_expansions();
  }

  bool defined(std::uint8_t value) const { return defined_[value]; }
  std::uint32_t length(std::uint8_t value) const { return length_[value]; }
  std::uint32_t longest() const { return *std::max_element(length_.begin(), length_.end()); }

  // Writes the short expansion of value at out, then fills the rest of kStoredExpansion bytes
  // with junk; the caller has checked there is room for all of them.
  void expand_short_padded(std::uint8_t value, std::uint8_t* out) const {
    std::memcpy(out, stored_[value].data(), kStoredExpansion);
  }

  // Writes exactly the expansion of value at out, whose room the caller has checked. Walks long
  // expansions down to stored pieces with an explicit stack: nothing here recurses.
  void expand(std::uint8_t value, std::uint8_t* out) const {
    // Each long value on the path leaves at most its second half waiting: two a level.
    std::array<std::uint8_t, 2 * kValueCount + 1> pending{};
    std::size_t depth = 0;
    pending[depth++] = value;
    while (depth > 0) {
      const std::uint8_t v = pending[--depth];
      if (length_[v] <= kStoredExpansion) {
        std::memcpy(out, stored_[v].data(), length_[v]);
        out += length_[v];
      } else {
        pending[depth++] = second_[v];
        pending[depth++] = first_[v];
      }
    }
  }

 private:
  void read_entries(std::span<const std::uint8_t> stream, std::uint8_t escape) {
    const std::size_t count = stream[kPairCountAt];
    if (count > (stream.size() - kHeaderSize) / kEntrySize) {
      throw MalformedFile("the BTree dictionary of " + std::to_string(count) +
                          " entries ends past the end of the stream");
    }
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t at = kHeaderSize + k * kEntrySize;
      const std::uint8_t value = stream[at];
      const std::string entry =
          "BTree dictionary entry " + std::to_string(k) + " (at byte " + std::to_string(at) + ")";
      if (value == escape)
        throw MalformedFile(entry + " defines the escape byte " + hex_byte(escape));
      if (defined_[value])
        throw MalformedFile(entry + " defines " + hex_byte(value) + " a second time");
      if (stream[at + 1] == escape || stream[at + 2] == escape) {
        throw MalformedFile(entry + " holds the escape byte " + hex_byte(escape) + " in its pair");
      }
      defined_[value] = true;
      first_[value] = stream[at + 1];
      second_[value] = stream[at + 2];
    }
  }

  // Depth-first over the definitions with an explicit stack, so an entry may refer to one listed
  // after it; a value met again while its own expansion is open is a cycle.
  void measure_expansions() {
    enum class State : std::uint8_t { unvisited, open, measured };
    std::array<State, kValueCount> state{};
    std::array<std::uint8_t, kValueCount> open{};  // each value is open at most once
    for (unsigned root = 0; root < kValueCount; ++root) {
      if (!defined_[root] || state[root] != State::unvisited) continue;
      std::size_t depth = 0;
      open[depth++] = static_cast<std::uint8_t>(root);
      state[root] = State::open;
      while (depth > 0) {
        const std::uint8_t v = open[depth - 1];
        const std::uint8_t halves[] = {first_[v], second_[v]};
        bool descended = false;
        for (const std::uint8_t half : halves) {
          if (!defined_[half] || state[half] == State::measured) continue;
          if (state[half] == State::open) {
            throw MalformedFile("the BTree dictionary defines " + hex_byte(half) +
                                " through itself");
          }
          state[half] = State::open;
          open[depth++] = half;
          descended = true;
          break;
        }
        if (descended) continue;
        --depth;
        measure(v);
        state[v] = State::measured;
      }
    }
  }

  void measure(std::uint8_t v) {
    const std::uint32_t a = length_[first_[v]];
    const std::uint32_t b = length_[second_[v]];
    length_[v] = std::min(a + b, saturation_);  // both at most saturation_, below 2^25
    // Stored only when both halves are: a saturated length may be short, its halves not.
    if (a + b <= kStoredExpansion) {
      std::memcpy(stored_[v].data(), stored_[first_[v]].data(), a);
      std::memcpy(stored_[v].data() + a, stored_[second_[v]].data(), b);
    }
  }

  std::uint32_t saturation_;
  std::array<bool, kValueCount> defined_{};
  std::array<std::uint8_t, kValueCount> first_{};
  std::array<std::uint8_t, kValueCount> second_{};
  std::array<std::uint32_t, kValueCount> length_{};
  std::array<std::array<std::uint8_t, kStoredExpansion>, kValueCount> stored_{};
};

std::string past_output(std::size_t at, std::size_t length) {
  return "BTree byte at byte " + std::to_string(at) + " writes past the " + std::to_string(length) +
         "-byte output";
}

[[noreturn]] void fail_truncated() {
  throw MalformedFile("the BTree stream ends before its end marker");
}

}  // namespace

bool has_btree_magic(std::span<const std::uint8_t> stream) {
  return stream.size() >= 2 && stream[0] == kMagicByte0 && stream[1] == kMagicByte1;
}

Bytes btree_decompress(std::span<const std::uint8_t> stream) {
  if (!has_btree_magic(stream))
    throw MalformedFile("the stream does not begin with the BTree magic 46 FB");
  if (stream.size() < kHeaderSize) {
    throw MalformedFile("the BTree stream ends inside its " + std::to_string(kHeaderSize) +
                        "-byte header");
  }
  const std::size_t length = (std::size_t{stream[kLengthAt]} << 16) |
                             (std::size_t{stream[kLengthAt + 1]} << 8) | stream[kLengthAt + 2];
  const std::uint8_t escape = stream[kEscapeAt];
  const Dictionary dictionary(stream, escape, static_cast<std::uint32_t>(length + 1));

  // No body byte makes more than the longest expansion: a stream too short for its length is
  // refused before anything is allocated.
  std::size_t at = kHeaderSize + std::size_t{stream[kPairCountAt]} * kEntrySize;
  const std::size_t body_bytes = stream.size() - at;
  if (length / dictionary.longest() > body_bytes) {
    throw MalformedFile("the BTree stream claims " + std::to_string(length) +
                        " bytes of output, more than its " + std::to_string(body_bytes) +
                        " bytes of body can make");
  }

  Bytes output(length);  // zero-filled, so no byte of it is ever undefined
  std::uint8_t* const out = output.data();
  std::size_t produced = 0;
  for (;;) {
    if (at == stream.size()) fail_truncated();
    const std::size_t command_at = at;
    const std::uint8_t byte = stream[at++];
    if (byte == escape) {
      if (at == stream.size()) fail_truncated();
      const std::uint8_t literal = stream[at++];
      if (literal == kEndMarker) break;
      if (produced == length) throw MalformedFile(past_output(command_at, length));
      out[produced++] = literal;  // written as it stands, even when it is a defined value
      continue;
    }
    const std::uint32_t expansion = dictionary.length(byte);
    const std::size_t room = length - produced;
    if (expansion > room) throw MalformedFile(past_output(command_at, length));
    if (expansion <= kStoredExpansion && room >= kStoredExpansion) {
      // The bytes past the expansion are rewritten by later bytes: the output must end full.
      dictionary.expand_short_padded(byte, out + produced);
    } else {
      dictionary.expand(byte, out + produced);
    }
    produced += expansion;
  }
  if (produced < length) {
    throw MalformedFile("the BTree stream ends after " + std::to_string(produced) + " of its " +
                        std::to_string(length) + " bytes");
  }
  return output;
}

}  // namespace tromvex
