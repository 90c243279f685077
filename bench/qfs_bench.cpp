// Benchmarks of qfs_decompress against the decoder it replaced, a plain byte-by-byte decoder
// and a memcpy of the output.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "bench_inputs.hpp"
#include "decoder_runs.hpp"
#include "qfs_baseline.hpp"
#include "support/reference_decoders.hpp"
#include "texture/qfs.hpp"
#include "tools/qfs_compress.hpp"

namespace tromvex::bench {
namespace {

constexpr std::size_t kTextureLikeSize = 250 * 1024;
constexpr std::size_t kLargeSize = kQfsMaxLength;  // the largest a QFS header can describe

// The plain byte-by-byte reference decoder, every literal and copied byte moved one at a time.
Bytes decode_byte_by_byte(Bytes input) {
  Bytes out;
  if (!test::reference_qfs_expand(input, &out)) throw std::runtime_error("refused stream");
  return out;
}

PackedStream make_stream(std::size_t size, Grain grain) {
  const Bytes data = texture_like_bytes(size, grain);
  return {qfs_compress(data), data.size()};
}

const PackedStream& texture_like_stream() {
  static const PackedStream stream = make_stream(kTextureLikeSize, Grain::clean);
  return stream;
}

const PackedStream& grainy_stream() {
  static const PackedStream stream = make_stream(kTextureLikeSize, Grain::stray_shades);
  return stream;
}

const PackedStream& short_command_stream_250k() {
  static const PackedStream stream = [] {
    PackedStream s;
    s.packed = short_command_stream(kTextureLikeSize);
    s.output_size =
        (std::size_t{s.packed[2]} << 16) | (std::size_t{s.packed[3]} << 8) | s.packed[4];
    return s;
  }();
  return stream;
}

const PackedStream& large_stream() {
  static const PackedStream stream = make_stream(kLargeSize, Grain::clean);
  return stream;
}

void run_memcpy(benchmark::State& state, const PackedStream& stream) {
  const Bytes source(stream.output_size, 0x5A);
  for (auto _ : state) {
    Bytes out(stream.output_size);
    std::memcpy(out.data(), source.data(), out.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.output_size));
}

Bytes decode_with_qfs_decompress(Bytes in) { return qfs_decompress(std::move(in)); }
Bytes decode_with_baseline(Bytes in) { return qfs_decompress_baseline(std::move(in)); }

// The current decoder and the one it replaced, on the same streams in the same run.
void BM_QfsDecompress_ShortCommands(benchmark::State& state) {
  run_decoder(state, short_command_stream_250k(), decode_with_qfs_decompress);
}
void BM_Baseline_ShortCommands(benchmark::State& state) {
  run_decoder(state, short_command_stream_250k(), decode_with_baseline);
}
void BM_Baseline_TextureLike(benchmark::State& state) {
  run_decoder(state, texture_like_stream(), decode_with_baseline);
}
void BM_Baseline_Grainy(benchmark::State& state) {
  run_decoder(state, grainy_stream(), decode_with_baseline);
}
void BM_Baseline_16MB(benchmark::State& state) {
  run_decoder(state, large_stream(), decode_with_baseline);
}

void BM_QfsDecompress_TextureLike(benchmark::State& state) {
  run_decoder(state, texture_like_stream(), decode_with_qfs_decompress);
}
void BM_ByteByByte_TextureLike(benchmark::State& state) {
  run_decoder(state, texture_like_stream(), decode_byte_by_byte);
}
void BM_Memcpy_TextureLike(benchmark::State& state) { run_memcpy(state, texture_like_stream()); }

void BM_QfsDecompress_Grainy(benchmark::State& state) {
  run_decoder(state, grainy_stream(), decode_with_qfs_decompress);
}
void BM_ByteByByte_Grainy(benchmark::State& state) {
  run_decoder(state, grainy_stream(), decode_byte_by_byte);
}
void BM_Memcpy_Grainy(benchmark::State& state) { run_memcpy(state, grainy_stream()); }

void BM_QfsDecompress_16MB(benchmark::State& state) {
  run_decoder(state, large_stream(), decode_with_qfs_decompress);
}
void BM_ByteByByte_16MB(benchmark::State& state) {
  run_decoder(state, large_stream(), decode_byte_by_byte);
}
void BM_Memcpy_16MB(benchmark::State& state) { run_memcpy(state, large_stream()); }

// The fastest of the repetitions as well as the median: on a shared machine the minimum is
// the figure least disturbed by other work.
double fastest(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

BENCHMARK(BM_QfsDecompress_ShortCommands)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_Baseline_ShortCommands)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_QfsDecompress_TextureLike)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_Baseline_TextureLike)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_ByteByByte_TextureLike)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_Memcpy_TextureLike)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_QfsDecompress_Grainy)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_Baseline_Grainy)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_ByteByByte_Grainy)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_Memcpy_Grainy)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_QfsDecompress_16MB)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_Baseline_16MB)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_ByteByByte_16MB)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_Memcpy_16MB)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);

}  // namespace
}  // namespace tromvex::bench
