// Compresses bytes into a QFS stream with hash-chain matching over a 131072-byte window.
#include "tools/qfs_compress.hpp"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "texture/refpack.hpp"

namespace tromvex {
namespace {

// The header and the command forms are laid out in texture/refpack.hpp.
using namespace refpack;

// The three back-reference commands: their size in bytes and the matches they can carry.
struct CopyForm {
  std::size_t command_size;
  std::size_t min_length;
  std::size_t max_length;
  std::size_t max_distance;
};
constexpr CopyForm kShortCopy{kShortCommandSize, kShortMinCopy, kShortMaxCopy, kShortMaxDistance};
constexpr CopyForm kMediumCopy{kMediumCommandSize, kMediumMinCopy, kMediumMaxCopy,
                               kMediumMaxDistance};
constexpr CopyForm kLongCopy{kLongCommandSize, kLongMinCopy, kLongMaxCopy, kLongMaxDistance};

constexpr std::size_t kMaxCarriedLiterals = 3;  // carried by a copy or by the stop command

constexpr std::size_t kWindowSize = kLongCopy.max_distance;  // a power of two
constexpr std::size_t kMinMatch = kShortCopy.min_length;
constexpr unsigned kHashBits = 16;
constexpr std::uint32_t kHashMultiplier = 2654435761u;  // Knuth's multiplicative hash
constexpr std::uint32_t kNoPosition = 0xFFFFFFFF;
// How many earlier places with the same hash are tried; more finds little on texture data.
constexpr int kMaxChainSteps = 64;
// A match this long is taken at once, without looking one byte further for a better one.
constexpr std::size_t kGoodEnoughLength = 64;

struct Match {
  std::size_t length = 0;  // 0: no usable match
  std::size_t distance = 0;
};

const CopyForm& shortest_form(const Match& match) {
  for (const CopyForm* form : {&kShortCopy, &kMediumCopy}) {
    if (match.length <= form->max_length && match.distance <= form->max_distance) {
      return *form;
    }
  }
  return kLongCopy;
}

// The shortest match that some command can carry from this distance.
std::size_t min_length_at(std::size_t distance) {
  for (const CopyForm* form : {&kShortCopy, &kMediumCopy}) {
    if (distance <= form->max_distance) return form->min_length;
  }
  return kLongCopy.min_length;
}

// Bytes a match saves over sending the same bytes as literals.
std::ptrdiff_t savings(const Match& match) {
  if (match.length == 0) return 0;
  return static_cast<std::ptrdiff_t>(match.length) -
         static_cast<std::ptrdiff_t>(shortest_form(match).command_size);
}

// Chains every position to the earlier positions whose next three bytes hash alike.
class MatchFinder {
 public:
  explicit MatchFinder(std::span<const std::uint8_t> data)
      : data_(data),
        head_(std::size_t{1} << kHashBits, kNoPosition),
        previous_(kWindowSize, kNoPosition) {}

  // Positions must be added once each, in increasing order, after they have been searched.
  void insert(std::size_t position) {
    if (data_.size() - position < kMinMatch) return;
    std::uint32_t& head = head_[hash(position)];
    previous_[position & (kWindowSize - 1)] = head;
    head = static_cast<std::uint32_t>(position);
  }

  // The longest match for the bytes at position that a command can carry, nearest first
  // among equals; length 0 when there is none.
  Match find(std::size_t position) const {
    Match best;
    const std::size_t limit = std::min(kLongCopy.max_length, data_.size() - position);
    if (limit < kMinMatch) return best;
    std::uint32_t candidate = head_[hash(position)];
    for (int step = 0; step < kMaxChainSteps && candidate != kNoPosition; ++step) {
      const std::size_t distance = position - candidate;
      // The chain runs from near to far; past the window its links may have been reused.
      if (distance > kWindowSize) break;
      if (data_[candidate + best.length] == data_[position + best.length]) {
        const std::size_t length = common_length(candidate, position, limit);
        if (length > best.length && length >= min_length_at(distance)) {
          best = {length, distance};
          if (length == limit) break;
        }
      }
      candidate = previous_[candidate & (kWindowSize - 1)];
    }
    return best;
  }

 private:
  std::size_t hash(std::size_t position) const {
    const std::uint32_t key = static_cast<std::uint32_t>(data_[position]) |
                              (static_cast<std::uint32_t>(data_[position + 1]) << 8) |
                              (static_cast<std::uint32_t>(data_[position + 2]) << 16);
    return (key * kHashMultiplier) >> (32 - kHashBits);
  }

  std::size_t common_length(std::size_t earlier, std::size_t position, std::size_t limit) const {
    std::size_t length = 0;
    while (length < limit && data_[earlier + length] == data_[position + length]) ++length;
    return length;
  }

  std::span<const std::uint8_t> data_;
  std::vector<std::uint32_t> head_;
  std::vector<std::uint32_t> previous_;  // indexed by position modulo the window
};

// Writes the commands; literals wait until the command that carries them is known.
class StreamWriter {
 public:
  explicit StreamWriter(std::span<const std::uint8_t> data) : data_(data) {
    out_.reserve(data.size() / 2 + 16);
    out_.push_back(kSignatureByte0);  // the short header
    out_.push_back(kSignatureByte1);
    out_.push_back(static_cast<std::uint8_t>(data.size() >> 16));
    out_.push_back(static_cast<std::uint8_t>(data.size() >> 8));
    out_.push_back(static_cast<std::uint8_t>(data.size()));
  }

  // The bytes from the end of the last copy up to position go out as literals: up to 3 carried
  // by the copy command (L), the rest in literal commands before it.
  void copy(std::size_t position, const Match& match) {
    const std::size_t carried = flush_literal_runs(position);
    const std::size_t offset = match.distance - 1;
    const auto literal_bits = static_cast<std::uint8_t>(carried);
    const CopyForm& form = shortest_form(match);
    if (&form == &kShortCopy) {
      const std::size_t length_code = match.length - kShortCopy.min_length;
      push(
          static_cast<std::uint8_t>(((offset >> kShortDistanceHighShift) & kShortDistanceHighMask) |
                                    (length_code << kShortLengthShift) | literal_bits));
      push(static_cast<std::uint8_t>(offset));
    } else if (&form == &kMediumCopy) {
      push(
          static_cast<std::uint8_t>(kFirstMediumCommand | (match.length - kMediumCopy.min_length)));
      push(static_cast<std::uint8_t>((std::size_t{literal_bits} << kMediumLiteralShift) |
                                     (offset >> 8)));
      push(static_cast<std::uint8_t>(offset));
    } else {
      const std::size_t length_code = match.length - kLongCopy.min_length;
      push(static_cast<std::uint8_t>(
          kFirstLongCommand | ((offset >> kLongDistanceHighShift) & kLongDistanceHighMask) |
          ((length_code >> kLongLengthHighShift) & kLongLengthHighMask) | literal_bits));
      push(static_cast<std::uint8_t>(offset >> 8));
      push(static_cast<std::uint8_t>(offset));
      push(static_cast<std::uint8_t>(length_code));
    }
    push_literals(position - carried, carried);
    literal_begin_ = position + match.length;
  }

  Bytes finish() {
    const std::size_t carried = flush_literal_runs(data_.size());
    push(static_cast<std::uint8_t>(kFirstStopCommand | carried));
    push_literals(data_.size() - carried, carried);
    return std::move(out_);
  }

 private:
  // Sends the waiting literals before end in runs of multiples of 4; returns how many (0 to
  // 3) are left for the next command to carry.
  std::size_t flush_literal_runs(std::size_t end) {
    std::size_t waiting = end - literal_begin_;
    while (waiting > kMaxCarriedLiterals) {
      const std::size_t run = std::min(kMaxLiteralRun, waiting - waiting % kLiteralRunUnit);
      push(static_cast<std::uint8_t>(kFirstLiteralCommand | (run / kLiteralRunUnit - 1)));
      push_literals(literal_begin_, run);
      literal_begin_ += run;
      waiting -= run;
    }
    return waiting;
  }

  void push(std::uint8_t byte) { out_.push_back(byte); }
  void push_literals(std::size_t begin, std::size_t count) {
    out_.insert(out_.end(), data_.begin() + static_cast<std::ptrdiff_t>(begin),
                data_.begin() + static_cast<std::ptrdiff_t>(begin + count));
  }

  std::span<const std::uint8_t> data_;
  Bytes out_;
  std::size_t literal_begin_ = 0;
};

}  // namespace

Bytes qfs_compress(std::span<const std::uint8_t> data) {
  if (data.size() > kQfsMaxLength) {
    throw std::length_error("a QFS stream holds at most 16777215 bytes");
  }
  MatchFinder finder(data);
  StreamWriter writer(data);
  std::size_t position = 0;
  while (position < data.size()) {
    Match match = finder.find(position);
    finder.insert(position);
    if (match.length == 0) {
      ++position;
      continue;
    }
    // Lazy matching: a better match one byte further on wins over this one.
    while (match.length < kGoodEnoughLength && data.size() - position > 1) {
      const Match next = finder.find(position + 1);
      if (savings(next) <= savings(match)) break;
      ++position;
      finder.insert(position);
      match = next;
    }
    writer.copy(position, match);
    for (std::size_t i = 1; i < match.length; ++i) finder.insert(position + i);
    position += match.length;
  }
  return writer.finish();
}

}  // namespace tromvex
