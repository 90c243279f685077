// Fuzz target for btree_decompress, the expander of BTree-compressed texture files.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile, and no
// input taking long (libFuzzer's timeout): a dictionary of doubling entries must not be expanded
// before it is refused. Where the stream is accepted: its magic is 46 FB, the output is exactly
// the length bytes 2 to 4 give (big-endian), and it equals the body expanded byte by byte
// through the dictionary by the plain reference walk.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.hpp"
#include "support/reference_decoders.hpp"
#include "texture/btree.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  Bytes output;
  const bool accepted = fuzz::accepts([&] { output = btree_decompress({data, size}); });
  if (accepted) {
    FUZZ_CHECK(has_btree_magic({data, size}));
    FUZZ_CHECK(size >= 7);
    FUZZ_CHECK(output.size() ==
               ((std::size_t{data[2]} << 16) | (std::size_t{data[3]} << 8) | data[4]));
    Bytes expected;
    FUZZ_CHECK(test::reference_btree_expand({data, size}, &expected));
    FUZZ_CHECK(output == expected);
  }
  return 0;
}
