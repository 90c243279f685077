// The QFS decoder as it stood before its command loop was rewritten, kept verbatim (only its
// entry point renamed) so that one benchmark run compares the current decoder against it.
#include "qfs_baseline.hpp"

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "common/byte_reader.hpp"
#include "common/malformed_file.hpp"

namespace tromvex::bench {

namespace {

// Header: two signature bytes, the output length (24-bit big-endian), and in the long form
// three more bytes that carry nothing we use.
constexpr std::uint8_t kSignatureByte0 = 0x10;  // bit 0 aside, which selects the header form
constexpr std::uint8_t kSignatureByte1 = 0xFB;
constexpr std::uint8_t kLongHeaderBit = 0x01;
constexpr std::size_t kSignatureSize = 2;
constexpr std::size_t kShortHeaderSize = 5;
constexpr std::size_t kLongHeaderSize = 8;

// The first command byte chooses one of five command forms.
constexpr std::uint8_t kFirstMediumCommand = 0x80;   // 3 command bytes
constexpr std::uint8_t kFirstLongCommand = 0xC0;     // 4 command bytes
constexpr std::uint8_t kFirstLiteralCommand = 0xE0;  // 1 command byte, literals only
constexpr std::uint8_t kFirstStopCommand = 0xFC;  // 1 command byte, up to 3 literals, then the end

constexpr std::size_t kShortCommandSize = 2;
constexpr std::size_t kMediumCommandSize = 3;
constexpr std::size_t kLongCommandSize = 4;
// The most output one stream byte can make: a 4-byte command copying 1028 bytes.
constexpr std::size_t kMaxOutputPerCommandByte = 1028 / kLongCommandSize;

constexpr unsigned kSmallLiteralCountMask = 0x03;  // short, long and stop forms carry 0-3 literals
constexpr unsigned kShortMinCopy = 3;
constexpr unsigned kMediumMinCopy = 4;
constexpr unsigned kLongMinCopy = 5;
constexpr unsigned kLiteralCommandMinCount = 4;

// A back-reference shorter than this is copied byte by byte; longer overlapping ones are
// copied in chunks that double as the repeated pattern grows.
constexpr std::size_t kShortOverlapCopy = 16;
// Short copies from at least a word back go a word at a time, with no call to memcpy.
constexpr std::size_t kWordSize = 8;
constexpr std::size_t kShortWordCopy = 32;

// One decoded command: literals first, then a copy counted back from after the literals.
struct Command {
  std::size_t literal_count = 0;
  std::size_t copy_length = 0;  // 0 for a literal-only command
  std::size_t copy_distance = 0;
};

Command decode_short(std::span<const std::uint8_t> c) {
  return {c[0] & kSmallLiteralCountMask, ((c[0] >> 2) & 0x07u) + kShortMinCopy,
          (static_cast<std::size_t>(c[0] & 0x60) << 3) + c[1] + 1};
}

Command decode_medium(std::span<const std::uint8_t> c) {
  return {static_cast<std::size_t>(c[1] >> 6), (c[0] & 0x3Fu) + kMediumMinCopy,
          (static_cast<std::size_t>(c[1] & 0x3F) << 8) + c[2] + 1};
}

Command decode_long(std::span<const std::uint8_t> c) {
  return {c[0] & kSmallLiteralCountMask,
          (static_cast<std::size_t>((c[0] >> 2) & 0x03) << 8) + c[3] + kLongMinCopy,
          (static_cast<std::size_t>(c[0] & 0x10) << 12) + (static_cast<std::size_t>(c[1]) << 8) +
              c[2] + 1};
}

Command decode_literal_run(std::uint8_t b0) {
  return {(static_cast<std::size_t>(b0 & 0x1F) << 2) + kLiteralCommandMinCount, 0, 0};
}

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

// Copies a short back-reference whose distance is at least one word, a word at a time:
// every word is read from bytes already final, so even an overlapping copy repeats its
// pattern exactly as a byte-by-byte copy would. The last word may write up to 7 bytes past
// the copy; the caller leaves room for them, and later commands overwrite them.
void copy_in_words(std::uint8_t* out, std::size_t distance, std::size_t length) {
  const std::uint8_t* from = out - distance;
  for (std::size_t i = 0; i < length; i += kWordSize) std::memcpy(out + i, from + i, kWordSize);
}

class QfsDecoder {
 public:
  QfsDecoder(std::span<const std::uint8_t> stream, std::size_t command_start,
             std::size_t output_length)
      : stream_(stream), reader_(stream, "the QFS stream"), output_(output_length) {
    reader_.seek(command_start);
  }

  Bytes run() {
    while (reader_.remaining() > 0) {
      command_start_ = reader_.position();
      const std::uint8_t b0 = stream_[command_start_];
      if (b0 >= kFirstStopCommand) {
        finish_at_stop(b0);
        break;
      }
      execute(decode_next(b0));
    }
    if (produced_ < output_.size()) {
      throw MalformedFile("the QFS stream ends after " + std::to_string(produced_) + " of its " +
                          std::to_string(output_.size()) + " bytes");
    }
    return std::move(output_);
  }

 private:
  // Takes the command's bytes in one bounded read and decodes its fields.
  Command decode_next(std::uint8_t b0) {
    if (b0 < kFirstMediumCommand) return decode_short(take_command(kShortCommandSize));
    if (b0 < kFirstLongCommand) return decode_medium(take_command(kMediumCommandSize));
    if (b0 < kFirstLiteralCommand) return decode_long(take_command(kLongCommandSize));
    take_command(1);
    return decode_literal_run(b0);
  }

  std::span<const std::uint8_t> take_command(std::size_t size) {
    if (size > reader_.remaining()) fail_past_input();
    return reader_.take(size);
  }

  void execute(const Command& command) {
    copy_literals(command.literal_count);
    if (command.copy_length > 0) copy_back_reference(command.copy_distance, command.copy_length);
  }

  void copy_literals(std::size_t count) {
    if (count == 0) return;
    if (count > reader_.remaining()) fail_past_input();
    if (count > output_.size() - produced_) fail_past_output();
    std::uint8_t* out = output_.data() + produced_;
    const std::uint8_t* from = reader_.take(count).data();
    // A short run is copied as one whole word when both buffers have room: the bytes past
    // the run are rewritten by later commands, since a stream must fill its whole output.
    if (count < kWordSize && kWordSize <= reader_.remaining() + count &&
        kWordSize <= output_.size() - produced_) {
      std::memcpy(out, from, kWordSize);
    } else {
      std::memcpy(out, from, count);
    }
    produced_ += count;
  }

  void copy_back_reference(std::size_t distance, std::size_t length) {
    if (distance > produced_) {
      throw MalformedFile(command_name() + " copies from before the start of the output");
    }
    if (length > output_.size() - produced_) fail_past_output();
    std::uint8_t* out = output_.data() + produced_;
    if (distance >= kWordSize && length <= kShortWordCopy &&
        length + kWordSize - 1 <= output_.size() - produced_) {
      copy_in_words(out, distance, length);
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
    reader_.skip(1);
    if (produced_ < output_.size()) copy_literals(b0 & kSmallLiteralCountMask);
  }

  std::string command_name() const {
    return "QFS command at byte " + std::to_string(command_start_);
  }

  [[noreturn]] void fail_past_input() const {
    throw MalformedFile(command_name() + " reads past the end of the stream");
  }

  [[noreturn]] void fail_past_output() const {
    throw MalformedFile(command_name() + " writes past the " + std::to_string(output_.size()) +
                        "-byte output");
  }

  std::span<const std::uint8_t> stream_;
  ByteReader reader_;
  Bytes output_;              // zero-filled, so no byte of it is ever undefined
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

Bytes qfs_decompress_baseline(Bytes input) {
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

}  // namespace tromvex::bench
