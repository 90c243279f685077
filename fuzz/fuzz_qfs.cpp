// Fuzz target for qfs_decompress, the expander of QFS-compressed texture files.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the stream is accepted: its first two bytes are 0x10 0xFB or 0x11 0xFB, and the output
// is exactly the length that bytes 2 to 4 of its header give (big-endian, at most 16 MiB).
// Differentially, against the plain byte-at-a-time expander below: the stream is accepted
// exactly when its length is no more than 257 times its command bytes (the most a command byte
// can make), every command stays inside the input and the output, copies only from bytes
// already produced, and either a stop command is reached or the whole output is produced; then
// both outputs are byte-identical (bytes never written are zero).
#include <cstddef>
#include <cstdint>

#include "fuzz_check.hpp"
#include "texture/qfs.hpp"

namespace {

using tromvex::Bytes;

constexpr std::size_t kShortHeaderSize = 5;
constexpr std::size_t kLongHeaderSize = 8;

bool has_qfs_signature(const std::uint8_t* data, std::size_t size) {
  return size >= 2 && (data[0] & 0xFE) == 0x10 && data[1] == 0xFB;
}

std::size_t declared_output_length(const std::uint8_t* data) {
  return (std::size_t{data[2]} << 16) | (std::size_t{data[3]} << 8) | data[4];
}

// The expansion written as plainly as possible, one byte at a time, with every bound checked
// where it is used. With out null it only checks, so that a refused stream costs no output
// buffer here. Returns false for a stream the decoder must refuse.
bool reference_expand(const std::uint8_t* in, std::size_t size, Bytes* out) {
  if (!has_qfs_signature(in, size)) return false;
  std::size_t pos = (in[0] & 1) != 0 ? kLongHeaderSize : kShortHeaderSize;
  if (size < pos) return false;
  const std::size_t output_length = declared_output_length(in);
  if (output_length > (size - pos) * 257) return false;
  if (out != nullptr) out->assign(output_length, 0);
  std::size_t produced = 0;
  const auto literals = [&](std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, ++pos, ++produced) {
      if (pos >= size || produced >= output_length) return false;
      if (out != nullptr) (*out)[produced] = in[pos];
    }
    return true;
  };
  while (pos < size) {
    const unsigned b0 = in[pos];
    if (b0 >= 0xFC) {
      ++pos;
      if (produced < output_length && !literals(b0 & 3)) return false;
      return true;
    }
    std::size_t command_size = 1;
    if (b0 < 0x80) command_size = 2;
    else if (b0 < 0xC0) command_size = 3;
    else if (b0 < 0xE0) command_size = 4;
    if (size - pos < command_size) return false;
    const unsigned b1 = command_size > 1 ? in[pos + 1] : 0;
    const unsigned b2 = command_size > 2 ? in[pos + 2] : 0;
    const unsigned b3 = command_size > 3 ? in[pos + 3] : 0;
    pos += command_size;
    std::size_t literal_count = 0;
    std::size_t length = 0;
    std::size_t distance = 0;
    if (b0 < 0x80) {
      literal_count = b0 & 3;
      length = ((b0 >> 2) & 7) + 3;
      distance = ((b0 & 0x60) << 3) + b1 + 1;
    } else if (b0 < 0xC0) {
      literal_count = b1 >> 6;
      length = (b0 & 0x3F) + 4;
      distance = ((b1 & 0x3F) << 8) + b2 + 1;
    } else if (b0 < 0xE0) {
      literal_count = b0 & 3;
      length = (((b0 >> 2) & 3) << 8) + b3 + 5;
      distance = ((b0 & 0x10) << 12) + (b1 << 8) + b2 + 1;
    } else {
      literal_count = ((b0 & 0x1F) << 2) + 4;
    }
    if (!literals(literal_count)) return false;
    if (length == 0) continue;
    if (distance > produced) return false;
    for (std::size_t i = 0; i < length; ++i, ++produced) {
      if (produced >= output_length) return false;
      if (out != nullptr) (*out)[produced] = (*out)[produced - distance];
    }
  }
  return produced == output_length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  Bytes output;
  const bool accepted = fuzz::accepts([&] { output = qfs_decompress(Bytes(data, data + size)); });
  FUZZ_CHECK(accepted == reference_expand(data, size, nullptr));
  if (accepted) {
    FUZZ_CHECK(has_qfs_signature(data, size));
    FUZZ_CHECK(size >= kShortHeaderSize);
    FUZZ_CHECK(output.size() == declared_output_length(data));
    Bytes expected;
    reference_expand(data, size, &expected);
    FUZZ_CHECK(output == expected);
  }
  return 0;
}
