// Packs bytes as Huffman and BTree streams.
#include "tools/stream_compress.hpp"

#include <algorithm>
#include <array>
#include <queue>
#include <stdexcept>
#include <utility>
#include <vector>

namespace tromvex {
namespace {

constexpr std::size_t kMaxLength = 0xFFFFFF;
constexpr std::uint8_t kMagicLowByte = 0xFB;
constexpr std::uint8_t kExtraFieldBit = 0x01;
constexpr std::uint8_t kWideSizesBit = 0x80;
constexpr unsigned kLongestCode = 15;
constexpr std::size_t kMinRun = 3;
constexpr std::size_t kMaxRun = 65535;  // a number with 14 leading zeros

void check_length(std::span<const std::uint8_t> data) {
  if (data.size() > kMaxLength) throw std::length_error("at most 16777215 bytes fit a stream");
}

void put_big_endian(Bytes& out, std::size_t value, std::size_t width) {
  for (std::size_t i = width; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

struct Token {
  enum class Kind { literal, run, explicit_byte } kind;
  std::uint32_t value;  // the byte, or the run length
};

// Huffman code lengths for the given weights (0: no code), none longer than 15 bits: weights are
// flattened until the tree is shallow enough.
std::array<unsigned, 256> code_lengths(std::array<std::uint64_t, 256> weights) {
  for (;;) {
    std::array<unsigned, 256> lengths{};
    using Node = std::pair<std::uint64_t, int>;  // weight, node index
    std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
    std::vector<int> parent;
    for (int v = 0; v < 256; ++v) {
      if (weights[static_cast<std::size_t>(v)] == 0) continue;
      queue.emplace(weights[static_cast<std::size_t>(v)], v);
    }
    parent.assign(256, -1);
    while (queue.size() > 1) {
      const Node a = queue.top();
      queue.pop();
      const Node b = queue.top();
      queue.pop();
      const int joined = static_cast<int>(parent.size());
      parent.push_back(-1);
      parent[static_cast<std::size_t>(a.second)] = joined;
      parent[static_cast<std::size_t>(b.second)] = joined;
      queue.emplace(a.first + b.first, joined);
    }
    unsigned longest = 0;
    for (std::size_t v = 0; v < 256; ++v) {
      if (weights[v] == 0) continue;
      for (int n = parent[v]; n >= 0; n = parent[static_cast<std::size_t>(n)]) ++lengths[v];
      longest = std::max(longest, lengths[v]);
    }
    if (longest <= kLongestCode) return lengths;
    for (auto& weight : weights) {
      if (weight != 0) weight = (weight >> 1) | 1;
    }
  }
}

std::vector<Token> tokenize(const Bytes& data, std::uint8_t escape) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < data.size();) {
    std::size_t run = 0;
    while (i > 0 && i + run < data.size() && run < kMaxRun && data[i + run] == data[i - 1]) ++run;
    if (run >= kMinRun) {
      tokens.push_back({Token::Kind::run, static_cast<std::uint32_t>(run)});
      i += run;
      continue;
    }
    const auto kind = data[i] == escape ? Token::Kind::explicit_byte : Token::Kind::literal;
    tokens.push_back({kind, data[i]});
    ++i;
  }
  return tokens;
}

void undo_running_sum_forwards(Bytes& bytes) {
  for (std::size_t i = bytes.size(); i-- > 1;)
    bytes[i] = static_cast<std::uint8_t>(bytes[i] - bytes[i - 1]);
}

}  // namespace

void HuffmanBitWriter::put(std::uint32_t value, unsigned bits) {
  for (unsigned i = bits; i-- > 0;) put_bit((value >> i) & 1);
}

void HuffmanBitWriter::put_bit(unsigned bit) {
  if (used_ == 0) bytes_.push_back(0);
  if (bit != 0) bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80 >> used_));
  used_ = (used_ + 1) % 8;
}

void HuffmanBitWriter::put_number(std::uint32_t number) {
  unsigned width = 2;
  while (number >= (std::uint32_t{2} << width) - 4) ++width;
  put_number_with_zeros(number, width - 2);
}

void HuffmanBitWriter::put_number_with_zeros(std::uint32_t number, unsigned zeros) {
  const unsigned width = zeros + 2;
  put(0, zeros);
  put_bit(1);
  put(number - ((std::uint32_t{1} << width) - 4), width);
}

Bytes huffman_compress(std::span<const std::uint8_t> data, std::uint8_t magic_high) {
  const unsigned scheme = magic_high & 0x7E;
  if ((scheme != 0x30 && scheme != 0x32 && scheme != 0x34) ||
      (magic_high & ~(0x7E | kExtraFieldBit | kWideSizesBit)) != 0) {
    throw std::invalid_argument("not a Huffman magic");
  }
  check_length(data);
  Bytes filtered(data.begin(), data.end());
  if (scheme != 0x30) undo_running_sum_forwards(filtered);
  if (scheme == 0x34) undo_running_sum_forwards(filtered);

  std::array<std::size_t, 256> occurrences{};
  for (const std::uint8_t byte : filtered) ++occurrences[byte];
  const auto escape = static_cast<std::uint8_t>(
      std::min_element(occurrences.begin(), occurrences.end()) - occurrences.begin());
  const std::vector<Token> tokens = tokenize(filtered, escape);

  std::array<std::uint64_t, 256> weights{};
  weights[escape] = 1;  // the end code
  for (const Token& token : tokens) {
    weights[token.kind == Token::Kind::literal ? token.value : escape] += 1;
  }
  // A complete code needs two symbols at least.
  if (std::count_if(weights.begin(), weights.end(), [](std::uint64_t w) { return w != 0; }) < 2) {
    weights[static_cast<std::uint8_t>(escape + 1)] = 1;
  }
  const std::array<unsigned, 256> lengths = code_lengths(weights);

  // Symbols in list order: by code length, then by value; canonical codes in that order.
  std::vector<std::uint8_t> order;
  for (unsigned v = 0; v < 256; ++v) {
    if (lengths[v] != 0) order.push_back(static_cast<std::uint8_t>(v));
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint8_t a, std::uint8_t b) { return lengths[a] < lengths[b]; });
  const unsigned longest = lengths[order.back()];
  std::array<std::uint32_t, 256> codes{};
  std::array<std::uint32_t, kLongestCode + 1> counts{};
  std::uint32_t code = 0;
  unsigned length = 1;
  for (const std::uint8_t symbol : order) {
    for (; length < lengths[symbol]; ++length) code <<= 1;
    codes[symbol] = code++;
    ++counts[length];
  }

  HuffmanBitWriter bits;
  for (unsigned l = 1; l <= longest; ++l) bits.put_number(counts[l]);
  std::array<bool, 256> listed{};
  unsigned cursor = 0xFF;
  for (const std::uint8_t symbol : order) {
    std::uint32_t skip = 0;
    for (cursor = (cursor + 1) & 0xFF; cursor != symbol; cursor = (cursor + 1) & 0xFF) {
      if (!listed[cursor]) ++skip;
    }
    listed[symbol] = true;
    bits.put_number(skip);
  }
  const auto put_symbol = [&](std::uint8_t symbol) { bits.put(codes[symbol], lengths[symbol]); };
  for (const Token& token : tokens) {
    if (token.kind == Token::Kind::literal) {
      put_symbol(static_cast<std::uint8_t>(token.value));
    } else if (token.kind == Token::Kind::run) {
      put_symbol(escape);
      bits.put_number(token.value);
    } else {
      put_symbol(escape);
      bits.put_number(0);
      bits.put_bit(0);
      bits.put(token.value, 8);
    }
  }
  put_symbol(escape);
  bits.put_number(0);
  bits.put_bit(1);

  const std::size_t field = (magic_high & kWideSizesBit) != 0 ? 4 : 3;
  const bool extra = (magic_high & kExtraFieldBit) != 0;
  Bytes stream{magic_high, kMagicLowByte};
  const std::size_t stream_size = 2 + (extra ? 2 * field : field) + 1 + bits.bytes().size();
  if (extra) put_big_endian(stream, stream_size, field);
  put_big_endian(stream, data.size(), field);
  stream.push_back(escape);
  stream.insert(stream.end(), bits.bytes().begin(), bits.bytes().end());
  return stream;
}

Bytes btree_compress(std::span<const std::uint8_t> data, DictionaryOrder order) {
  check_length(data);
  std::array<std::size_t, 256> occurrences{};
  for (const std::uint8_t byte : data) ++occurrences[byte];
  // The escape byte: an unused value if there is one, else the rarest; never 0, which ends the
  // body after an escape.
  std::uint8_t escape = 0xFF;
  for (unsigned v = 0xFF; v > 0; --v) {
    if (occurrences[v] < occurrences[escape]) escape = static_cast<std::uint8_t>(v);
  }
  std::vector<std::uint8_t> free_values;
  for (unsigned v = 1; v < 256; ++v) {
    if (occurrences[v] == 0 && v != escape) free_values.push_back(static_cast<std::uint8_t>(v));
  }

  std::vector<std::uint8_t> tokens(data.begin(), data.end());
  std::vector<std::array<std::uint8_t, 3>> entries;
  std::vector<std::uint32_t> pair_counts(65536);
  for (const std::uint8_t value : free_values) {
    std::fill(pair_counts.begin(), pair_counts.end(), 0);
    for (std::size_t i = 1; i < tokens.size(); ++i) {
      if (tokens[i - 1] != escape && tokens[i] != escape)
        ++pair_counts[tokens[i - 1] * 256u + tokens[i]];
    }
    const auto best = std::max_element(pair_counts.begin(), pair_counts.end());
    if (*best < 3) break;
    const auto a = static_cast<std::uint8_t>((best - pair_counts.begin()) >> 8);
    const auto b = static_cast<std::uint8_t>(best - pair_counts.begin());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      if (i + 1 < tokens.size() && tokens[i] == a && tokens[i + 1] == b) {
        tokens[kept++] = value;
        ++i;
      } else {
        tokens[kept++] = tokens[i];
      }
    }
    tokens.resize(kept);
    entries.push_back({value, a, b});
  }
  if (order == DictionaryOrder::defined_last) std::reverse(entries.begin(), entries.end());

  Bytes stream{0x46, kMagicLowByte};
  put_big_endian(stream, data.size(), 3);
  stream.push_back(escape);
  stream.push_back(static_cast<std::uint8_t>(entries.size()));
  for (const auto& entry : entries) stream.insert(stream.end(), entry.begin(), entry.end());
  for (const std::uint8_t token : tokens) {
    // Only the escape byte itself occurs as a literal that needs escaping: defined values are
    // ones the data never uses.
    if (token == escape) stream.push_back(escape);
    stream.push_back(token);
  }
  stream.push_back(escape);
  stream.push_back(0);
  return stream;
}

}  // namespace tromvex
