// FCE car images built in code, for the tests that read, finish or draw one.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/records.hpp"

namespace tromvex::test {

// One part of a test car. Its triangles' corners count from its own first vertex; each
// triangle gets flags 1 and texture coordinates 0.
struct TestFcePart {
  std::string name;  // at most 39 characters
  Vec3f position;
  std::vector<Vec3f> vertices;
  std::vector<std::array<std::int32_t, 3>> triangles;
  std::vector<Vec3f> normals;  // one a vertex, or none for all zero (as tromvex writes them)
};

// The FCE image tromvex writes for these parts (at most 12; parts after them are empty):
// vertices, normals and triangles part after part, the fixed half sizes, and the part count
// set to parts.size().
Bytes fce_image_of(std::span<const TestFcePart> parts);

// A closed box around centre reaching half to either side, as one part at position. Corner i
// lies at +x when bit 0 of i is set, +y for bit 1, +z for bit 2. Each face is split into two
// triangles along the diagonal from its first corner, wound as the game winds cars: the
// outward normal of corners p0, p1, p2 is (p2 - p0) x (p1 - p0). The faces, by corners:
// -z 0 1 3 2, +z 4 6 7 5, -y 0 4 5 1, +y 2 3 7 6, -x 0 2 6 4, +x 1 5 7 3, as triangles
// (f0 f1 f2) and (f0 f2 f3).
TestFcePart box_part(std::string name, Vec3f position, Vec3f centre, Vec3f half);

// The part with the corners of each of its triangles in reverse order: it faces inward.
TestFcePart reversed(TestFcePart part);

}  // namespace tromvex::test
