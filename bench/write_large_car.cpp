// tromvex_large_car: writes the benchmarks' large car (4056 polygons, 18 textures of 128 x 128
// in a QFS archive) as a GEO file and a QFS file, for end-to-end measurements.
#include <cstdio>
#include <string>

#include "app/platform.hpp"
#include "bench_inputs.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("Usage: tromvex_large_car <out.geo> <out.qfs>\n", stderr);
    return 2;
  }
  const tromvex::bench::CarFiles car = tromvex::bench::large_car();
  const bool written =
      tromvex::write_whole_file(argv[1], car.geo) == tromvex::WriteOutcome::written &&
      tromvex::write_whole_file(argv[2], car.qfs) == tromvex::WriteOutcome::written;
  return written ? 0 : 1;
}
