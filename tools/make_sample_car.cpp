// make_sample_car: writes the bundled sample car's GEO file and QFS texture file.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "common/bytes.hpp"
#include "tools/sample_car.hpp"

namespace {

bool write_file(const std::string& path, const tromvex::Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::cerr << "make_sample_car: could not write " << path << "\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "Usage: make_sample_car <out.geo> <out.qfs>\n";
    return 2;
  }
  const bool written = write_file(argv[1], tromvex::make_sample_geo()) &&
                       write_file(argv[2], tromvex::make_sample_qfs());
  return written ? 0 : 1;
}
