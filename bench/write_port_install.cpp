// tromvex_port_install: writes a generated NFS2SE-style install of many cars for timing whole
// runs of tromvex-port: GAMEDATA/CARDATA.VIV holding CAR00.GEO ... as the benchmarks' large car
// (4056 polygons), each with GAMEDATA/CARMODEL/PC/CARnn.QFS, its 18 textures of 128 x 128.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/companion.hpp"
#include "app/platform.hpp"
#include "bench_inputs.hpp"
#include "viv/viv.hpp"

int main(int argc, char** argv) {
  using namespace tromvex;
  const int cars = argc == 3 ? std::atoi(argv[2]) : 0;
  if (cars < 1 || cars > 100) {
    std::fputs("Usage: tromvex_port_install <game folder> <cars, 1 to 100>\n", stderr);
    return 2;
  }
  const std::string game = argv[1];
  const bench::CarFiles car = bench::large_car();
  std::vector<std::string> names;
  std::vector<VivMember> members;
  for (int i = 0; i < cars; ++i) {
    names.push_back("CAR" + std::to_string(i / 10) + std::to_string(i % 10));
    members.push_back({names.back() + ".GEO", 0, car.geo});
  }
  bool written = true;
  for (const std::string folder : {"", "/GAMEDATA", "/GAMEDATA/CARMODEL", "/GAMEDATA/CARMODEL/PC"})
    written = (create_folder(game + folder) || is_folder(game + folder)) && written;
  written = written && write_whole_file(game + "/GAMEDATA/CARDATA.VIV",
                                        build_viv_archive(members)) == WriteOutcome::written;
  for (const std::string& name : names) {
    written = written && write_whole_file(game + "/GAMEDATA/CARMODEL/PC/" + name + ".QFS",
                                          car.qfs) == WriteOutcome::written;
  }
  return written ? 0 : 1;
}
