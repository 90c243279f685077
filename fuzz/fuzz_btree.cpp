// Fuzz target for btree_decompress, the expander of BTree-compressed texture files.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile, and no
// input taking long (libFuzzer's timeout): a dictionary of doubling entries must not be expanded
// before it is refused. Where the stream is accepted: its magic is 46 FB, the output is exactly
// the length bytes 2 to 4 give (big-endian), and it equals the body expanded byte by byte
// through the dictionary by the plain walk below.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.hpp"
#include "texture/btree.hpp"

namespace {

using tromvex::Bytes;

// Expands an accepted stream one byte at a time, with a stack of values still to expand. Returns
// false if the output would pass its length or the body is not terminated as it must be.
bool reference_expand(const std::uint8_t* in, std::size_t size, Bytes& out) {
  const std::size_t length = (std::size_t{in[2]} << 16) | (std::size_t{in[3]} << 8) | in[4];
  const unsigned escape = in[5];
  const std::size_t count = in[6];
  std::array<bool, 256> defined{};
  std::array<std::array<std::uint8_t, 2>, 256> pair{};
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint8_t* entry = in + 7 + 3 * k;
    defined[entry[0]] = true;
    pair[entry[0]] = {entry[1], entry[2]};
  }
  out.clear();
  std::size_t pos = 7 + 3 * count;
  for (;;) {
    if (pos >= size) return false;
    const unsigned b = in[pos++];
    if (b == escape) {
      if (pos >= size) return false;
      const unsigned c = in[pos++];
      if (c == 0) break;
      out.push_back(static_cast<std::uint8_t>(c));
    } else {
      std::vector<std::uint8_t> stack{static_cast<std::uint8_t>(b)};
      while (!stack.empty()) {
        const std::uint8_t v = stack.back();
        stack.pop_back();
        if (defined[v]) {
          stack.push_back(pair[v][1]);
          stack.push_back(pair[v][0]);
        } else {
          out.push_back(v);
        }
        if (out.size() > length) return false;
      }
    }
    if (out.size() > length) return false;
  }
  return out.size() == length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  Bytes output;
  const bool accepted = fuzz::accepts([&] { output = btree_decompress({data, size}); });
  if (accepted) {
    FUZZ_CHECK(has_btree_magic({data, size}));
    FUZZ_CHECK(size >= 7);
    FUZZ_CHECK(output.size() == ((std::size_t{data[2]} << 16) | (std::size_t{data[3]} << 8) | data[4]));
    Bytes expected;
    FUZZ_CHECK(reference_expand(data, size, expected));
    FUZZ_CHECK(output == expected);
  }
  return 0;
}
