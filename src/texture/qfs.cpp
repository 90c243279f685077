// Expands a QFS-compressed stream.
#include "texture/qfs.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "common/malformed_file.hpp"
#include "texture/refpack.hpp"

namespace tromvex {

namespace {

// The header and the command forms are laid out in texture/refpack.hpp.
using namespace refpack;

// The most output one stream byte can make: a 4-byte command copying 1028 bytes.
constexpr std::size_t kMaxOutputPerCommandByte = kLongMaxCopy / kLongCommandSize;

// Short literal runs and copies are moved in whole blocks of this size while both buffers have
// room for the whole block; the bytes past the run or copy are rewritten by later commands (or
// zeroed at the end). Longer ones, and those near the end of a buffer, are moved exactly.
constexpr std::size_t kBlock = 16;
constexpr std::size_t kWordSize = 8;
// Copies up to this long go in blocks; longer ones go to memcpy.
constexpr std::size_t kShortCopy = 32;
// A back-reference shorter than this from fewer than kWordSize bytes back is copied byte by
// byte; longer overlapping ones are copied in chunks that double as the pattern grows.
constexpr std::size_t kShortOverlapCopy = 16;

// Short and medium commands (the bulk of a texture stream) are decoded on a quicker path while
// the stream has room for the longest of them and a whole literal block after it, and the
// output room for its literals and its longest copy, both moved in whole blocks.
constexpr std::size_t kMaxCarriedLiterals = kCarriedLiteralMask;
constexpr std::size_t kQuickPathInputRoom = kMediumCommandSize + kBlock;
constexpr std::size_t kQuickPathOutputRoom = kMaxCarriedLiterals + kMediumMaxCopy + kBlock;
static_assert(kMaxCarriedLiterals <= kBlock && kShortMaxCopy <= kMediumMaxCopy);

// Repeats the last distance bytes forward: each byte equals the one distance bytes before it.
// Once a whole period has been written the pattern may be copied from its start in chunks
// that never overlap their source, each twice as long as the last.
void copy_overlapping(std::uint8_t* out, std::size_t distance, std::size_t length) {
  const std::uint8_t* pattern = out - distance;
  if (length <= kShortOverlapCopy) {
    for (std::size_t i = 0; i < length; ++i) out[i] = pattern[i];
    return;
  }
  std::size_t available = distance;
  while (length > 0) {
    const std::size_t chunk = length < available ? length : available;
    std::memcpy(out, pattern, chunk);
    out += chunk;
    length -= chunk;
    available += chunk;
  }
}

// Copies a back-reference from at least `step` bytes back in blocks of `step` bytes: every
// block is read from bytes already final, so even an overlapping copy repeats its pattern
// exactly as a byte-by-byte copy would. The last block may write up to step - 1 bytes past
// the copy; the caller leaves room for them.
template <std::size_t step>
void copy_in_blocks(std::uint8_t* out, std::size_t distance, std::size_t length) {
  const std::uint8_t* from = out - distance;
  for (std::size_t i = 0; i < length; i += step) std::memcpy(out + i, from + i, step);
}

// The fields of one command, literals first, then a copy counted back from after them.
struct Command {
  std::size_t size = 1;  // command bytes
  std::size_t literal_count = 0;
  std::size_t copy_length = 0;  // 0 for a literal-only command
  std::size_t copy_distance = 0;
};

class QfsDecoder {
 public:
  QfsDecoder(std::span<const std::uint8_t> stream, std::size_t command_start,
             std::size_t output_length)
      : stream_(stream), in_(command_start), output_(output_length) {}

  Bytes run() {
    const std::size_t stream_size = stream_.size();
    bool stopped = false;
    while (in_ < stream_size) {
      decode_far_from_the_ends();
      command_start_ = in_;
      const std::uint8_t b0 = stream_[in_];
      if (b0 >= kFirstStopCommand) {
        finish_at_stop(b0);
        stopped = true;
        break;
      }
      const Command command = decode_command(b0);
      in_ += command.size;
      copy_literals(command.literal_count);
      if (command.copy_length > 0) copy_back_reference(command.copy_distance, command.copy_length);
    }
    if (produced_ < output_.size()) {
      // A stop command may end the stream short of its length, as the game's own reader
      // allows: the bytes never written are zero (cleared here, since block copies may have
      // written past the last byte a command produced). Input that runs out first is a
      // cut-off file.
      std::memset(output_.data() + produced_, 0, output_.size() - produced_);
    }
    if (!stopped && produced_ < output_.size()) {
      throw MalformedFile("the QFS stream ends after " + std::to_string(produced_) + " of its " +
                          std::to_string(output_.size()) + " bytes");
    }
    return std::move(output_);
  }

 private:
  // The short command at c (its two bytes in the stream).
  static Command short_command(const std::uint8_t* c) {
    const std::uint8_t b0 = c[0];
    return {kShortCommandSize, b0 & kCarriedLiteralMask,
            ((b0 & kShortLengthMask) >> kShortLengthShift) + kShortMinCopy,
            (static_cast<std::size_t>(b0 & kShortDistanceHighMask) << kShortDistanceHighShift) +
                c[1] + 1};
  }

  // The medium command at c (its three bytes in the stream).
  static Command medium_command(const std::uint8_t* c) {
    return {kMediumCommandSize, static_cast<std::size_t>(c[1] >> kMediumLiteralShift),
            (c[0] & kMediumLengthMask) + kMediumMinCopy,
            (static_cast<std::size_t>(c[1] & kMediumDistanceHighMask) << 8) + c[2] + 1};
  }

  // Decodes the command that begins with b0 at in_, once its command bytes are known to lie in
  // the stream; does not move in_.
  Command decode_command(std::uint8_t b0) const {
    const std::uint8_t* c = stream_.data() + in_;
    const std::size_t left = stream_.size() - in_;
    if (b0 < kFirstMediumCommand) {
      if (kShortCommandSize > left) fail_past_input();
      return short_command(c);
    }
    if (b0 < kFirstLongCommand) {
      if (kMediumCommandSize > left) fail_past_input();
      return medium_command(c);
    }
    if (b0 < kFirstLiteralCommand) {
      if (kLongCommandSize > left) fail_past_input();
      return {kLongCommandSize, b0 & kCarriedLiteralMask,
              (static_cast<std::size_t>(b0 & kLongLengthHighMask) << kLongLengthHighShift) + c[3] +
                  kLongMinCopy,
              (static_cast<std::size_t>(b0 & kLongDistanceHighMask) << kLongDistanceHighShift) +
                  (static_cast<std::size_t>(c[1]) << 8) + c[2] + 1};
    }
    return {1, ((b0 & kLiteralRunMask) + std::size_t{1}) * kLiteralRunUnit, 0, 0};
  }

  // Decodes short and medium commands for as long as both buffers have room past the read and
  // write positions for the whole of one (kQuickPathInputRoom, kQuickPathOutputRoom), so that
  // only the distance of each copy needs a check. Stops before any other command.
  void decode_far_from_the_ends() {
    if (stream_.size() < kQuickPathInputRoom || output_.size() < kQuickPathOutputRoom) return;
    const std::size_t last_in = stream_.size() - kQuickPathInputRoom;
    const std::size_t last_produced = output_.size() - kQuickPathOutputRoom;
    const std::uint8_t* const stream = stream_.data();
    std::uint8_t* const output = output_.data();
    std::size_t in = in_;
    std::size_t produced = produced_;
    while (in <= last_in && produced <= last_produced) {
      const std::uint8_t* const c = stream + in;
      const std::uint8_t b0 = c[0];
      if (b0 >= kFirstLongCommand) break;
      const Command command = b0 < kFirstMediumCommand ? short_command(c) : medium_command(c);
      const std::size_t literals = command.literal_count;
      const std::size_t length = command.copy_length;
      const std::size_t distance = command.copy_distance;
      in += command.size;
      std::memcpy(output + produced, stream + in, kBlock);  // the literals, and bytes past them
      in += literals;
      produced += literals;
      if (distance > produced) {
        command_start_ = static_cast<std::size_t>(c - stream);
        fail_before_start();
      }
      std::uint8_t* const out = output + produced;
      if (distance >= kBlock) {
        copy_in_blocks<kBlock>(out, distance, length);
      } else if (distance >= kWordSize) {
        copy_in_blocks<kWordSize>(out, distance, length);
      } else {
        copy_overlapping(out, distance, length);
      }
      produced += length;
    }
    in_ = in;
    produced_ = produced;
  }

  void copy_literals(std::size_t count) {
    if (count == 0) return;  // also keeps an empty output's null data out of memcpy
    const std::size_t in_left = stream_.size() - in_;
    const std::size_t out_left = output_.size() - produced_;
    if (count > in_left) fail_past_input();
    if (count > out_left) fail_past_output();
    std::uint8_t* out = output_.data() + produced_;
    const std::uint8_t* from = stream_.data() + in_;
    if (count <= kBlock && kBlock <= in_left && kBlock <= out_left) {
      std::memcpy(out, from, kBlock);
    } else {
      std::memcpy(out, from, count);
    }
    in_ += count;
    produced_ += count;
  }

  void copy_back_reference(std::size_t distance, std::size_t length) {
    if (distance > produced_) fail_before_start();
    const std::size_t out_left = output_.size() - produced_;
    if (length > out_left) fail_past_output();
    std::uint8_t* out = output_.data() + produced_;
    if (length <= kShortCopy && distance >= kBlock && length + kBlock - 1 <= out_left) {
      copy_in_blocks<kBlock>(out, distance, length);
    } else if (length <= kShortCopy && distance >= kWordSize &&
               length + kWordSize - 1 <= out_left) {
      copy_in_blocks<kWordSize>(out, distance, length);
    } else if (distance >= length) {
      std::memcpy(out, out - distance, length);  // source and destination do not overlap
    } else {
      copy_overlapping(out, distance, length);
    }
    produced_ += length;
  }

  // A stop command's literals are copied only while the output has room left; once it is
  // full they are dropped unread.
  void finish_at_stop(std::uint8_t b0) {
    ++in_;
    if (produced_ < output_.size()) copy_literals(b0 & kCarriedLiteralMask);
  }

  std::string command_name() const {
    return "QFS command at byte " + std::to_string(command_start_);
  }

  [[noreturn]] void fail_before_start() const {
    throw MalformedFile(command_name() + " copies from before the start of the output");
  }

  [[noreturn]] void fail_past_input() const {
    throw MalformedFile(command_name() + " reads past the end of the stream");
  }

  [[noreturn]] void fail_past_output() const {
    throw MalformedFile(command_name() + " writes past the " + std::to_string(output_.size()) +
                        "-byte output");
  }

  std::span<const std::uint8_t> stream_;
  std::size_t in_;  // the next stream byte; always <= stream_.size()
  Bytes output_;
  std::size_t produced_ = 0;  // always <= output_.size()
  std::size_t command_start_ = 0;
};

bool has_qfs_signature(std::span<const std::uint8_t> stream) {
  return stream.size() >= kSignatureSize && (stream[0] & ~kLongHeaderBit) == kSignatureByte0 &&
         stream[1] == kSignatureByte1;
}

std::size_t read_output_length(std::span<const std::uint8_t> header) {
  return (static_cast<std::size_t>(header[2]) << 16) | (static_cast<std::size_t>(header[3]) << 8) |
         header[4];
}

}  // namespace

Bytes qfs_decompress(Bytes input) {
  // Owned here, so the input is released when this call returns, whatever the outcome.
  const Bytes stream = std::move(input);
  if (!has_qfs_signature(stream)) {
    throw MalformedFile("the texture file is neither an SHPI texture archive nor a QFS stream");
  }
  const std::size_t header_size =
      (stream[0] & kLongHeaderBit) != 0 ? kLongHeaderSize : kShortHeaderSize;
  if (stream.size() < header_size) {
    throw MalformedFile("the QFS stream ends inside its " + std::to_string(header_size) +
                        "-byte header");
  }
  // The output length is 24-bit, so the largest buffer a stream can ask for is just under 16 MiB;
  // a stream too short to fill it is refused before anything is allocated.
  const std::size_t output_length = read_output_length(stream);
  const std::size_t command_bytes = stream.size() - header_size;
  if (output_length > command_bytes * kMaxOutputPerCommandByte) {
    throw MalformedFile("the QFS stream claims " + std::to_string(output_length) +
                        " bytes of output, more than its " + std::to_string(command_bytes) +
                        " bytes of commands can make");
  }
  QfsDecoder decoder(stream, header_size, output_length);
  return decoder.run();
}

}  // namespace tromvex
