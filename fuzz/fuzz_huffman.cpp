// Fuzz target for huffman_decompress, the expander of Huffman-compressed texture files.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the stream is accepted: its magic is 30-35 FB or B0-B5 FB and the output is exactly the
// length its header gives. Differentially, against the plain reference walk that reads one bit
// at a time and finds each code by comparing it with the codes of each length in turn: the
// stream is accepted exactly when the walk accepts it, and then both outputs are byte-identical.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.hpp"
#include "support/reference_decoders.hpp"
#include "texture/huffman.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  Bytes output;
  const bool accepted = fuzz::accepts([&] { output = huffman_decompress({data, size}); });
  FUZZ_CHECK(accepted == test::reference_huffman_expand({data, size}, nullptr));
  if (accepted) {
    FUZZ_CHECK(has_huffman_magic({data, size}));
    Bytes expected;
    test::reference_huffman_expand({data, size}, &expected);
    FUZZ_CHECK(output.size() == expected.size());
    FUZZ_CHECK(output == expected);
  }
  return 0;
}
