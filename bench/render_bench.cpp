// Benchmarks of tromvex-view's work without its file input and output: reading the FCE and
// TGA images, drawing the four views at 1024 pixels and encoding the PNG, for the sample car
// and for a generated car of 10,000 triangles.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "app/png.hpp"
#include "mesh/fce_reader.hpp"
#include "pipeline/convert.hpp"
#include "render/car_views.hpp"
#include "support/reference_fce.hpp"
#include "texture/tga_reader.hpp"
#include "tools/sample_car.hpp"

namespace tromvex::bench {
namespace {

CarImages sample_images() {
  class Quiet : public ConversionEvents {
  } events;
  return convert_car(make_sample_geo(), make_sample_qfs(), events);
}

// A "High Body" shaped as a car-sized ellipsoid of stacks x slices x 2 triangles, wound as
// real cars are (stored normals pointing in), textured all over.
Bytes dense_fce(int stacks, int slices) {
  FceParts parts;
  FcePart& body = parts[0];
  const char name[] = "High Body";
  std::copy(std::begin(name), std::end(name), body.name.begin());
  for (int i = 0; i <= stacks; ++i) {
    const double theta = std::numbers::pi * i / stacks;
    for (int j = 0; j < slices; ++j) {
      const double phi = 2.0 * std::numbers::pi * j / slices;
      body.vertices.push_back({static_cast<float>(0.9 * std::sin(theta) * std::cos(phi)),
                               static_cast<float>(0.7 + 0.7 * std::cos(theta)),
                               static_cast<float>(2.2 * std::sin(theta) * std::sin(phi))});
    }
  }
  const auto at = [slices](int i, int j) { return i * slices + (j % slices); };
  for (int i = 0; i < stacks; ++i) {
    for (int j = 0; j < slices; ++j) {
      const float u0 = static_cast<float>(j) / static_cast<float>(slices);
      const float u1 = static_cast<float>(j + 1) / static_cast<float>(slices);
      const float v0 = static_cast<float>(i) / static_cast<float>(stacks);
      const float v1 = static_cast<float>(i + 1) / static_cast<float>(stacks);
      body.triangles.push_back(
          {{at(i, j), at(i + 1, j), at(i + 1, j + 1)}, 1, {u0, u0, u1}, {v0, v1, v1}});
      body.triangles.push_back(
          {{at(i + 1, j + 1), at(i, j + 1), at(i, j)}, 1, {u1, u1, u0}, {v1, v0, v0}});
    }
  }
  body.normals.resize(body.vertices.size());
  body.vertex_count = static_cast<std::int32_t>(body.vertices.size());
  body.triangle_count = static_cast<std::int32_t>(body.triangles.size());
  return test::reference_fce_image(parts, {body.vertex_count, body.triangle_count});
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
