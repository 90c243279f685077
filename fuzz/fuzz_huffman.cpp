// Fuzz target for huffman_decompress, the expander of Huffman-compressed texture files.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the stream is accepted: its magic is 30-35 FB or B0-B5 FB and the output is exactly the
// length its header gives. Differentially, against the plain walk below that reads one bit at a
// time and finds each code by comparing it with the codes of each length in turn: the stream is
// accepted exactly when the walk accepts it, and then both outputs are byte-identical.
#include <array>
#include <cstddef>
#include <cstdint>

#include "fuzz_check.hpp"
#include "texture/huffman.hpp"

namespace {

using tromvex::Bytes;

constexpr std::size_t kMaxOutput = std::size_t{16} << 20;

class Walk {
 public:
  Walk(const std::uint8_t* data, std::size_t size, std::size_t start)
      : data_(data), size_(size), bit_(start * 8) {}

  // One bit, or false when the input has none left.
  bool bit(unsigned& value) {
    if (bit_ >= size_ * 8) return false;
    value = (data_[bit_ / 8] >> (7 - bit_ % 8)) & 1;
    ++bit_;
    return true;
  }
  bool bits(unsigned count, std::uint32_t& value) {
    value = 0;
    for (unsigned i = 0; i < count; ++i) {
      unsigned b = 0;
      if (!bit(b)) return false;
      value = value * 2 + b;
    }
    return true;
  }
  bool number(std::uint32_t& value) {
    unsigned zeros = 0;
    for (unsigned b = 0;; ++zeros) {
      if (!bit(b)) return false;
      if (b == 1) break;
      if (zeros == 15) return false;  // a 16th zero
    }
    std::uint32_t v = 0;
    if (!bits(zeros + 2, v)) return false;
    value = v + (std::uint32_t{1} << (zeros + 2)) - 4;
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t bit_;
};

// The whole expansion, written as plainly as possible. Returns false for a stream the decoder
// must refuse; with out null it only checks.
bool reference_expand(const std::uint8_t* in, std::size_t size, Bytes* out) {
  if (size < 2 || in[1] != 0xFB) return false;
  const unsigned scheme = in[0] & 0x7E;
  if (scheme != 0x30 && scheme != 0x32 && scheme != 0x34) return false;
  const std::size_t field = (in[0] & 0x80) != 0 ? 4 : 3;
  std::size_t pos = 2 + ((in[0] & 1) != 0 ? field : 0);
  if (size < pos + field + 1) return false;
  std::size_t length = 0;
  for (std::size_t i = 0; i < field; ++i) length = length * 256 + in[pos++];
  const unsigned escape = in[pos++];
  if (length > kMaxOutput) return false;
  Walk walk(in, size, pos);

  std::array<std::uint32_t, 16> counts{};
  std::uint32_t space = 0, symbols = 0;
  unsigned longest = 0;
  for (unsigned l = 1; l <= 15 && longest == 0; ++l) {
    if (!walk.number(counts[l])) return false;
    space = 2 * space + counts[l];
    symbols += counts[l];
    if (symbols > 256 || space > (1u << l)) return false;
    if (counts[l] > 0 && space == (1u << l)) longest = l;
  }
  if (longest == 0) return false;
  std::array<unsigned, 256> list{};
  std::array<bool, 256> listed{};
  unsigned cursor = 0xFF;
  for (std::uint32_t i = 0; i < symbols; ++i) {
    std::uint32_t skip = 0;
    if (!walk.number(skip) || skip >= 256 - i) return false;
    for (std::uint32_t passed = 0;;) {
      cursor = (cursor + 1) & 0xFF;
      if (!listed[cursor]) {
        if (passed == skip) break;
        ++passed;
      }
    }
    listed[cursor] = true;
    list[i] = cursor;
  }
  if (!listed[escape]) return false;
  // The first code of each length, and the list index of its symbol.
  std::array<std::uint32_t, 16> first_code{}, first_index{};
  for (std::uint32_t l = 1, code = 0, index = 0; l <= longest; ++l, code <<= 1) {
    first_code[l] = code;
    first_index[l] = index;
    code += counts[l];
    index += counts[l];
  }
  if (out != nullptr) out->assign(length, 0);
  std::size_t produced = 0;
  std::uint8_t last = 0;
  const auto put = [&](std::uint8_t byte) {
    if (produced >= length) return false;
    if (out != nullptr) (*out)[produced] = byte;
    ++produced;
    last = byte;
    return true;
  };
  for (;;) {
    std::uint32_t code = 0;
    unsigned symbol = 0;
    for (unsigned l = 1;; ++l) {
      unsigned b = 0;
      if (!walk.bit(b)) return false;
      code = code * 2 + b;
      if (code >= first_code[l] && code - first_code[l] < counts[l]) {
        symbol = list[first_index[l] + code - first_code[l]];
        break;
      }
    }
    if (symbol != escape) {
      if (!put(static_cast<std::uint8_t>(symbol))) return false;
      continue;
    }
    std::uint32_t run = 0;
    if (!walk.number(run)) return false;
    if (run > 0) {
      if (produced == 0) return false;
      for (std::uint32_t k = 0; k < run; ++k) {
        if (!put(last)) return false;
      }
      continue;
    }
    unsigned end = 0;
    if (!walk.bit(end)) return false;
    if (end == 1) break;
    std::uint32_t byte = 0;
    if (!walk.bits(8, byte) || !put(static_cast<std::uint8_t>(byte))) return false;
  }
  if (produced != length) return false;
  if (out != nullptr) {
    for (int pass = 0; pass < (scheme == 0x30 ? 0 : scheme == 0x32 ? 1 : 2); ++pass) {
      for (std::size_t i = 1; i < out->size(); ++i) (*out)[i] = static_cast<std::uint8_t>((*out)[i] + (*out)[i - 1]);
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  Bytes output;
  const bool accepted = fuzz::accepts([&] { output = huffman_decompress({data, size}); });
  FUZZ_CHECK(accepted == reference_expand(data, size, nullptr));
  if (accepted) {
    FUZZ_CHECK(has_huffman_magic({data, size}));
    Bytes expected;
    reference_expand(data, size, &expected);
    FUZZ_CHECK(output.size() == expected.size());
    FUZZ_CHECK(output == expected);
  }
  return 0;
}
