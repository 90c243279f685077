// Benchmarks of tromvex-finish's work without its file input and output: the finishing step
// (reading the FCE image, the normals, the half sizes and the finished copy) on the sample car
// and on a generated car of 10,000 triangles.
#include <benchmark/benchmark.h>

#include "bench_inputs.hpp"
#include "mesh/fce_finish.hpp"
#include "pipeline/convert.hpp"
#include "tools/sample_car.hpp"

namespace tromvex::bench {
namespace {

void run_finish(benchmark::State& state, const Bytes& fce) {
  for (auto _ : state) {
    const FinishedFce finished = finish_fce_image(fce);
    benchmark::DoNotOptimize(finished.image.data());
    state.counters["normals"] = static_cast<double>(finished.normal_count);
  }
}

void BM_FinishCar_Sample(benchmark::State& state) {
  class Quiet : public ConversionEvents {
  } events;
  static const Bytes fce = convert_car(make_sample_geo(), make_sample_qfs(), events).fce_image;
  run_finish(state, fce);
}

void BM_FinishCar_10000Triangles(benchmark::State& state) {
  static const Bytes fce = dense_fce(50, 100);
  run_finish(state, fce);
}

BENCHMARK(BM_FinishCar_Sample)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FinishCar_10000Triangles)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tromvex::bench
