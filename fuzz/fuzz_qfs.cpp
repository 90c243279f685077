// Fuzz target for qfs_decompress, the expander of QFS-compressed texture files.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the stream is accepted: its first two bytes are 0x10 0xFB or 0x11 0xFB, and the output
// is exactly the length that bytes 2 to 4 of its header give (big-endian, at most 16 MiB).
// Differentially, against the plain byte-at-a-time reference expander: the stream is accepted
// exactly when its length is no more than 257 times its command bytes (the most a command byte
// can make), every command stays inside the input and the output, copies only from bytes
// already produced, and either a stop command is reached or the whole output is produced; then
// both outputs are byte-identical (bytes never written are zero).
#include <cstddef>
#include <cstdint>

#include "fuzz_check.hpp"
#include "support/reference_decoders.hpp"
#include "texture/qfs.hpp"

namespace {

using tromvex::Bytes;

constexpr std::size_t kShortHeaderSize = 5;

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
  FUZZ_CHECK(accepted == test::reference_qfs_expand({data, size}, nullptr));
  if (accepted) {
    FUZZ_CHECK(has_qfs_signature(data, size));
    FUZZ_CHECK(size >= kShortHeaderSize);
    FUZZ_CHECK(output.size() == declared_output_length(data));
    Bytes expected;
    test::reference_qfs_expand({data, size}, &expected);
    FUZZ_CHECK(output == expected);
  }
  return 0;
}
