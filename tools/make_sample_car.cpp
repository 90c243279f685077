// make_sample_car: writes the bundled sample car's GEO file and QFS texture file.
#include <iostream>

#include "tools/sample_car.hpp"
#include "tools/write_file.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "Usage: make_sample_car <out.geo> <out.qfs>\n";
    return 2;
  }
  const bool written =
      tromvex::write_tool_file("make_sample_car", argv[1], tromvex::make_sample_geo()) &&
      tromvex::write_tool_file("make_sample_car", argv[2], tromvex::make_sample_qfs());
  return written ? 0 : 1;
}
