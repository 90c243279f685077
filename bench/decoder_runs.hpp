// What the expansion benchmarks share: a packed stream with its expanded size, and the timed loop.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

#include "common/bytes.hpp"

namespace tromvex::bench {

struct PackedStream {
  Bytes packed;
  std::size_t output_size = 0;
};

// Times decode(stream.packed), Bytes(const Bytes&) or Bytes(Bytes). A decoder that consumes its
// input gets a fresh copy each iteration, and the copy is part of what is timed.
template <typename Decode>
void run_decoder(benchmark::State& state, const PackedStream& stream, Decode decode) {
  for (auto _ : state) {
    Bytes out = decode(stream.packed);
    benchmark::DoNotOptimize(out.data());
    if (out.size() != stream.output_size) state.SkipWithError("wrong output size");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.output_size));
  state.counters["ratio"] =
      static_cast<double>(stream.output_size) / static_cast<double>(stream.packed.size());
}

}  // namespace tromvex::bench
