// Benchmarks of huffman_decompress against a plain bit-by-bit Huffman decoder, and of
// btree_decompress, on texture-like archives of 250 KiB.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <stdexcept>

#include "bench_inputs.hpp"
#include "decoder_runs.hpp"
#include "support/reference_decoders.hpp"
#include "texture/btree.hpp"
#include "texture/huffman.hpp"
#include "tools/stream_compress.hpp"

namespace tromvex::bench {
namespace {

constexpr std::size_t kTextureLikeSize = 250 * 1024;

// The plain reference decoder: one bit read at a time, each code found by comparing it with the
// codes of each length in turn.
Bytes decode_bit_by_bit(const Bytes& in) {
  Bytes out;
  if (!test::reference_huffman_expand(in, &out)) throw std::runtime_error("refused stream");
  return out;
}

template <typename Pack>
PackedStream make_stream(Grain grain, Pack pack) {
  const Bytes data = texture_like_bytes(kTextureLikeSize, grain);
  PackedStream stream{pack(data), data.size()};
  if (stream.output_size != data.size())
    throw std::logic_error("texture-like data of the wrong size");
  return stream;
}

const PackedStream& huffman_stream(Grain grain) {
  static const PackedStream clean =
      make_stream(Grain::clean, [](const Bytes& d) { return huffman_compress(d); });
  static const PackedStream grainy =
      make_stream(Grain::stray_shades, [](const Bytes& d) { return huffman_compress(d); });
  return grain == Grain::clean ? clean : grainy;
}

const PackedStream& btree_stream(Grain grain) {
  static const PackedStream clean =
      make_stream(Grain::clean, [](const Bytes& d) { return btree_compress(d); });
  static const PackedStream grainy =
      make_stream(Grain::stray_shades, [](const Bytes& d) { return btree_compress(d); });
  return grain == Grain::clean ? clean : grainy;
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
