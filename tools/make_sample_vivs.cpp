// make_sample_vivs: writes the bundled sample car-data archive and the donor car.viv.
#include <fstream>
#include <iostream>
#include <string>

#include "common/bytes.hpp"
#include "tools/sample_vivs.hpp"

namespace {

bool write_file(const std::string& path, const tromvex::Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::cerr << "make_sample_vivs: could not write " << path << "\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "Usage: make_sample_vivs <cardata.viv> <donor car.viv>\n";
    return 2;
  }
  const bool written = write_file(argv[1], tromvex::make_sample_cardata_viv()) &&
                       write_file(argv[2], tromvex::make_donor_car_viv());
  return written ? 0 : 1;
}
