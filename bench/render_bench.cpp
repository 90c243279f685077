// Benchmarks of tromvex-view's work without its file input and output: reading the FCE and
// TGA images, drawing the four views at 1024 pixels and encoding the PNG, for the sample car
// and for a generated car of 10,000 triangles.
#include <benchmark/benchmark.h>

#include "app/png.hpp"
#include "bench_inputs.hpp"
#include "mesh/fce_reader.hpp"
#include "pipeline/convert.hpp"
#include "render/car_views.hpp"
#include "texture/tga_reader.hpp"
#include "tools/sample_car.hpp"

namespace tromvex::bench {
namespace {

CarImages sample_images() {
  class Quiet : public ConversionEvents {
  } events;
  return convert_car(make_sample_geo(), make_sample_qfs(), events);
}

void run_view(benchmark::State& state, const Bytes& fce, const Bytes& tga) {
  for (auto _ : state) {
    const CarViews views =
        render_car_views(read_fce_image(fce), read_tga_image(tga), {1024, false});
    const Bytes png = encode_png(views.picture);
    benchmark::DoNotOptimize(png.data());
    state.counters["triangles"] = static_cast<double>(views.triangles_drawn);
  }
}

void BM_ViewCar_Sample(benchmark::State& state) {
  static const CarImages car = sample_images();
  run_view(state, car.fce_image, car.tga_image);
}

void BM_ViewCar_10000Triangles(benchmark::State& state) {
  static const CarImages car = sample_images();
  static const Bytes fce = dense_fce(50, 100);
  run_view(state, fce, car.tga_image);
}

BENCHMARK(BM_ViewCar_Sample)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewCar_10000Triangles)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tromvex::bench
