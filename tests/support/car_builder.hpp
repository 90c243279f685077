// A small, well-formed NFS2(SE) car built in code, for the tests that convert a whole car.
#pragma once

#include "common/bytes.hpp"

namespace tromvex::test {

// The three files of one car: the GEO mesh and its texture archive, plain and QFS-wrapped.
//
// Texture archive, in this order (record numbers as the program sees them):
//   0 "!pal"  the palette, 256 colours of (blue, green, red, flag); colour n is
//             (n, n / 2, 255 - n, 255) except colour 0 (0, 0, 0, 0),
//             colour 5 (10, 200, 20, 255), colour 6 (200, 250, 100, 1), colour 7 (90, 200, 180, 1)
//   1 "tex1"  64 x 32, indexed, pixel (row r, column c) = 1 + (r + c) % 8
//   2 "tex2"  720 x 16, indexed, pixel (r, c) = 10 + r
//   3 "tex3"  32 x 8, indexed, pixel (r, c) = 20 + c % 4
// (and the archive's last directory entry, which the program never reads).
//
// GEO parts (vertices and positions in file units of 1/256; every other part is empty and at
// position 0). The parts gathered into one FCE part share the position of the first of them,
// so no vertex depends on how the positions of the others would be taken.
//   part 0:  count 3 (4 stored): (256, -512, 1), (512, 0, 0), (0, 256, -256), (0, 0, 0);
//            position (65536, 0, -32768);
//            polygon flags 0x00, corners 0 1 2 3, "tex1";
//            polygon flags 0x14, corners 3 2 1 0, "tex2"
//   part 3:  count 2: (10, 20, 30), (-10, -20, -30); position as part 0's;
//            polygon flags 0x10, corners 0 1 1 0, "none"
//            (no such texture: one warning)
//   part 12: count 4: (0, 0, 0), (256, 64, 0), (256, 192, 256), (0, 128, 256);
//            position (0, 512, 0); polygon flags 0x04, corners 0 1 2 3, "tex3"
//   part 13: count 1 (2 stored): (5, 5, 5), (0, 0, 0); position as part 12's
//   part 18: count 2: (0, -128, 0), (0, -64, 0); polygon flags 0x00, corners 0 1 0 1, "tex1"
//   part 21: count 2: (1, 2, 3), (4, 5, 6); polygon flags 0x10, corners 1 0 1 0, "tex2"
struct CarFiles {
  Bytes geo_image;
  Bytes shpi_archive;  // the texture archive as it is
  Bytes qfs_archive;   // the same archive inside a QFS stream
};

CarFiles build_small_car();

}  // namespace tromvex::test
