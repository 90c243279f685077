// Plain reference decoders of the texture compressions, one byte or one bit at a time.
#include "support/reference_decoders.hpp"

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

namespace tromvex::test {
namespace {

// QFS: the header sizes of the 10 FB and 11 FB forms.
constexpr std::size_t kShortHeaderSize = 5;
constexpr std::size_t kLongHeaderSize = 8;

bool has_qfs_signature(const std::uint8_t* data, std::size_t size) {
  return size >= 2 && (data[0] & 0xFE) == 0x10 && data[1] == 0xFB;
}

std::size_t declared_output_length(const std::uint8_t* data) {
  return (std::size_t{data[2]} << 16) | (std::size_t{data[3]} << 8) | data[4];
}

// Huffman: the most a stream may expand to.
constexpr std::size_t kMaxOutput = std::size_t{16} << 20;

// Reads a Huffman stream's bits, most significant first.
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

}  // namespace

QfsCommand reference_qfs_command(std::span<const std::uint8_t> stream, std::size_t at) {
  const auto byte = [&](std::size_t k) -> std::size_t {
    return at + k < stream.size() ? stream[at + k] : 0;
  };
  const std::size_t b0 = byte(0);
  if (b0 < 0x80) {
    return {QfsCommandKind::short_copy, 2, b0 & 3, ((b0 >> 2) & 7) + 3,
            ((b0 & 0x60) << 3) + byte(1) + 1};
  }
  if (b0 < 0xC0) {
    return {QfsCommandKind::medium_copy, 3, byte(1) >> 6, (b0 & 0x3F) + 4,
            ((byte(1) & 0x3F) << 8) + byte(2) + 1};
  }
  if (b0 < 0xE0) {
    return {QfsCommandKind::long_copy, 4, b0 & 3, (((b0 >> 2) & 3) << 8) + byte(3) + 5,
            ((b0 & 0x10) << 12) + (byte(1) << 8) + byte(2) + 1};
  }
  if (b0 < 0xFC) return {QfsCommandKind::literal_run, 1, ((b0 & 0x1F) << 2) + 4, 0, 0};
  return {QfsCommandKind::stop, 1, b0 & 3, 0, 0};
}

bool reference_qfs_expand(std::span<const std::uint8_t> stream, Bytes* out) {
  const std::uint8_t* const in = stream.data();
  const std::size_t size = stream.size();
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
    const QfsCommand command = reference_qfs_command(stream, pos);
    if (size - pos < command.size) return false;
    pos += command.size;
    if (command.kind == QfsCommandKind::stop) {
      return produced >= output_length || literals(command.literals);
    }
    if (!literals(command.literals)) return false;
    if (command.length == 0) continue;
    if (command.distance > produced) return false;
    for (std::size_t i = 0; i < command.length; ++i, ++produced) {
      if (produced >= output_length) return false;
      if (out != nullptr) (*out)[produced] = (*out)[produced - command.distance];
    }
  }
  return produced == output_length;
}

bool reference_huffman_expand(std::span<const std::uint8_t> stream, Bytes* out) {
  const std::uint8_t* const in = stream.data();
  const std::size_t size = stream.size();
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
      for (std::size_t i = 1; i < out->size(); ++i)
        (*out)[i] = static_cast<std::uint8_t>((*out)[i] + (*out)[i - 1]);
    }
  }
  return true;
}

bool reference_btree_expand(std::span<const std::uint8_t> stream, Bytes* out) {
  const std::uint8_t* const in = stream.data();
  const std::size_t size = stream.size();
  if (size < 7 || size < 7 + 3 * std::size_t{in[6]}) return false;
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
  Bytes expanded;
  std::size_t pos = 7 + 3 * count;
  for (;;) {
    if (pos >= size) return false;
    const unsigned b = in[pos++];
    if (b == escape) {
      if (pos >= size) return false;
      const unsigned c = in[pos++];
      if (c == 0) break;
      expanded.push_back(static_cast<std::uint8_t>(c));
    } else {
      std::vector<std::uint8_t> stack{static_cast<std::uint8_t>(b)};
      while (!stack.empty()) {
        const std::uint8_t v = stack.back();
        stack.pop_back();
        if (defined[v]) {
          stack.push_back(pair[v][1]);
          stack.push_back(pair[v][0]);
        } else {
          expanded.push_back(v);
        }
        if (expanded.size() > length) return false;
      }
    }
    if (expanded.size() > length) return false;
  }
  if (expanded.size() != length) return false;
  if (out != nullptr) *out = std::move(expanded);
  return true;
}

}  // namespace tromvex::test
