// make_sample_vivs: writes the bundled sample car-data archive and the donor car.viv.
#include <iostream>

#include "tools/sample_vivs.hpp"
#include "tools/write_file.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "Usage: make_sample_vivs <cardata.viv> <donor car.viv>\n";
    return 2;
  }
  const bool written =
      tromvex::write_tool_file("make_sample_vivs", argv[1], tromvex::make_sample_cardata_viv()) &&
      tromvex::write_tool_file("make_sample_vivs", argv[2], tromvex::make_donor_car_viv());
  return written ? 0 : 1;
}
