// Benchmarks of huffman_decompress against a plain bit-by-bit Huffman decoder, and of
// btree_decompress, on texture-like archives of 250 KiB.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <stdexcept>

#include "bench_inputs.hpp"
#include "texture/btree.hpp"
#include "texture/huffman.hpp"
#include "tools/stream_compress.hpp"

namespace tromvex::bench {
namespace {

constexpr std::size_t kTextureLikeSize = 250 * 1024;

// The baseline: one bit read at a time, each code found by comparing it with the codes of each
// length in turn, with the same bounds checks a safe decoder needs. 30 FB only.
Bytes decode_bit_by_bit(const Bytes& in) {
  std::size_t bit = 6 * 8;
  const auto next = [&]() -> unsigned {
    if (bit >= in.size() * 8) throw std::runtime_error("past the end");
    const unsigned value = (in[bit / 8] >> (7 - bit % 8)) & 1;
    ++bit;
    return value;
  };
  const auto number = [&]() -> std::uint32_t {
    unsigned zeros = 0;
    while (next() == 0) {
      if (++zeros > 15) throw std::runtime_error("too many zeros");
    }
    std::uint32_t value = 0;
    for (unsigned i = 0; i < zeros + 2; ++i) value = value * 2 + next();
    return value + (std::uint32_t{1} << (zeros + 2)) - 4;
  };
  const std::size_t length = (std::size_t{in[2]} << 16) | (std::size_t{in[3]} << 8) | in[4];
  const unsigned escape = in[5];
  std::array<std::uint32_t, 16> counts{};
  std::uint32_t space = 0, symbols = 0;
  unsigned longest = 0;
  for (unsigned l = 1; l <= 15 && longest == 0; ++l) {
    counts[l] = number();
    space = 2 * space + counts[l];
    symbols += counts[l];
    if (symbols > 256 || space > (1u << l)) throw std::runtime_error("bad table");
    if (counts[l] > 0 && space == (1u << l)) longest = l;
  }
  std::array<unsigned, 256> list{};
  std::array<bool, 256> listed{};
  for (std::uint32_t i = 0, cursor = 0xFF; i < symbols; ++i) {
    const std::uint32_t skip = number();
    if (skip >= 256 - i) throw std::runtime_error("bad skip");
    for (std::uint32_t passed = 0;;) {
      cursor = (cursor + 1) & 0xFF;
      if (!listed[cursor] && passed++ == skip) break;
    }
    listed[cursor] = true;
    list[i] = cursor;
  }
  std::array<std::uint32_t, 16> first_code{}, first_index{};
  for (std::uint32_t l = 1, code = 0, index = 0; l <= longest; ++l, code <<= 1) {
    first_code[l] = code;
    first_index[l] = index;
    code += counts[l];
    index += counts[l];
  }
  Bytes out(length);
  std::size_t produced = 0;
  for (;;) {
    std::uint32_t code = 0;
    unsigned symbol = 0;
    for (unsigned l = 1;; ++l) {
      if (l > longest) throw std::runtime_error("no code");
      code = code * 2 + next();
      if (code - first_code[l] < counts[l]) {
        symbol = list[first_index[l] + code - first_code[l]];
        break;
      }
    }
    if (symbol != escape) {
      if (produced == length) throw std::runtime_error("past the output");
      out[produced++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    const std::uint32_t run = number();
    if (run > 0) {
      if (produced == 0 || run > length - produced) throw std::runtime_error("bad run");
      for (std::uint32_t k = 0; k < run; ++k, ++produced) out[produced] = out[produced - 1];
      continue;
    }
    if (next() == 1) break;
    std::uint32_t byte = 0;
    for (int i = 0; i < 8; ++i) byte = byte * 2 + next();
    if (produced == length) throw std::runtime_error("past the output");
    out[produced++] = static_cast<std::uint8_t>(byte);
  }
  if (produced != length) throw std::runtime_error("short");
  return out;
}

struct Stream {
  Bytes packed;
  std::size_t output_size = 0;
};

template <typename Pack>
Stream make_stream(Grain grain, Pack pack) {
  const Bytes data = texture_like_bytes(kTextureLikeSize, grain);
  Stream stream{pack(data), data.size()};
  if (stream.output_size != data.size()) throw std::logic_error("texture-like data of the wrong size");
  return stream;
}

const Stream& huffman_stream(Grain grain) {
  static const Stream clean = make_stream(Grain::clean, [](const Bytes& d) { return huffman_compress(d); });
  static const Stream grainy = make_stream(Grain::stray_shades, [](const Bytes& d) { return huffman_compress(d); });
  return grain == Grain::clean ? clean : grainy;
}

const Stream& btree_stream(Grain grain) {
  static const Stream clean = make_stream(Grain::clean, [](const Bytes& d) { return btree_compress(d); });
  static const Stream grainy = make_stream(Grain::stray_shades, [](const Bytes& d) { return btree_compress(d); });
  return grain == Grain::clean ? clean : grainy;
}

template <typename Decode>
void run_decoder(benchmark::State& state, const Stream& stream, Decode decode) {
  for (auto _ : state) {
    Bytes out = decode(stream.packed);
    benchmark::DoNotOptimize(out.data());
    if (out.size() != stream.output_size) state.SkipWithError("wrong output size");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.output_size));
  state.counters["ratio"] = static_cast<double>(stream.output_size) / static_cast<double>(stream.packed.size());
}

Bytes with_huffman_decompress(const Bytes& in) { return huffman_decompress(in); }
Bytes with_btree_decompress(const Bytes& in) { return btree_decompress(in); }

void BM_HuffmanDecompress_Grainy(benchmark::State& state) {
  run_decoder(state, huffman_stream(Grain::stray_shades), with_huffman_decompress);
}
void BM_HuffmanBitByBit_Grainy(benchmark::State& state) {
  run_decoder(state, huffman_stream(Grain::stray_shades), decode_bit_by_bit);
}
void BM_HuffmanDecompress_TextureLike(benchmark::State& state) {
  run_decoder(state, huffman_stream(Grain::clean), with_huffman_decompress);
}
void BM_HuffmanBitByBit_TextureLike(benchmark::State& state) {
  run_decoder(state, huffman_stream(Grain::clean), decode_bit_by_bit);
}
void BM_BtreeDecompress_Grainy(benchmark::State& state) {
  run_decoder(state, btree_stream(Grain::stray_shades), with_btree_decompress);
}
void BM_BtreeDecompress_TextureLike(benchmark::State& state) {
  run_decoder(state, btree_stream(Grain::clean), with_btree_decompress);
}

BENCHMARK(BM_HuffmanDecompress_Grainy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HuffmanBitByBit_Grainy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HuffmanDecompress_TextureLike)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HuffmanBitByBit_TextureLike)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BtreeDecompress_Grainy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BtreeDecompress_TextureLike)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tromvex::bench
