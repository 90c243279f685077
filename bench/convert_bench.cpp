// Benchmarks of the whole in-memory conversion: the sample car and a large generated car.
#include <benchmark/benchmark.h>

#include "bench_inputs.hpp"
#include "pipeline/convert.hpp"
#include "tools/sample_car.hpp"

namespace tromvex::bench {
namespace {

// Counts the polygons left without a texture: a benchmark car must have none.
class MissingTextures : public ConversionEvents {
 public:
  void missing_texture() override { ++count; }
  int count = 0;
};

// The texture file is consumed by the conversion, so each iteration converts a fresh copy.
void run_conversion(benchmark::State& state, const CarFiles& car) {
  MissingTextures missing;
  for (auto _ : state) {
    CarImages images = convert_car(car.geo, Bytes(car.qfs), missing);
    benchmark::DoNotOptimize(images.fce_image.data());
    benchmark::DoNotOptimize(images.tga_image.data());
  }
  if (missing.count > 0) state.SkipWithError("the car has polygons without a texture");
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(car.geo.size() + car.qfs.size()));
}

void BM_ConvertCar_Sample(benchmark::State& state) {
  static const CarFiles car{make_sample_geo(), make_sample_qfs()};
  run_conversion(state, car);
}

void BM_ConvertCar_Large(benchmark::State& state) {
  static const CarFiles car = large_car();
  run_conversion(state, car);
}

BENCHMARK(BM_ConvertCar_Sample)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertCar_Large)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tromvex::bench
