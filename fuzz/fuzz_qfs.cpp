// Fuzz target for qfs_decompress, the expander of QFS-compressed texture files.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the stream is accepted: its first two bytes are 0x10 0xFB or 0x11 0xFB, and the output
// is exactly the length that bytes 2 to 4 of its header give (big-endian, at most 16 MiB).
// A stream with any other signature is always refused.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.hpp"
#include "texture/qfs.hpp"

namespace {

constexpr std::size_t kQfsLengthEnd = 5;  // the signature and the 24-bit output length

bool has_qfs_signature(const std::uint8_t* data, std::size_t size) {
  return size >= 2 && (data[0] & 0xFE) == 0x10 && data[1] == 0xFB;
}

std::size_t declared_output_length(const std::uint8_t* data) {
  return (std::size_t{data[2]} << 16) | (std::size_t{data[3]} << 8) | data[4];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  Bytes output;
  const bool accepted = fuzz::accepts([&] { output = qfs_decompress(Bytes(data, data + size)); });
  if (accepted) {
    FUZZ_CHECK(has_qfs_signature(data, size));
    FUZZ_CHECK(size >= kQfsLengthEnd);
    FUZZ_CHECK(output.size() == declared_output_length(data));
  }
  return 0;
}
