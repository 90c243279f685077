// FCE car images built in code, for the tests that read, finish or draw one.
#include "support/fce_builder.hpp"

#include <algorithm>
#include <cassert>
#include <utility>

#include "mesh/fce_layout.hpp"
#include "mesh/placement.hpp"
#include "support/reference_fce.hpp"

namespace tromvex::test {

Bytes fce_image_of(std::span<const TestFcePart> parts) {
  FceParts fce;
  assert(parts.size() <= fce.size());
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const TestFcePart& given = parts[p];
    FcePart& part = fce[p];
    assert(given.name.size() < part.name.size());
    std::copy(given.name.begin(), given.name.end(), part.name.begin());
    part.position = given.position;
    part.vertices = given.vertices;
    part.normals = given.normals;
    part.normals.resize(given.vertices.size());
    for (const auto& corners : given.triangles) part.triangles.push_back({corners, 1, {}, {}});
    part.vertex_count = static_cast<std::int32_t>(part.vertices.size());
    part.triangle_count = static_cast<std::int32_t>(part.triangles.size());
  }
  const FceTotals totals = assign_first_indices(fce);
  Bytes image = test::reference_fce_image(fce, totals);
  write_u32_le(image.data() + kFcePartCountOffset, static_cast<std::uint32_t>(parts.size()));
  return image;
}

TestFcePart box_part(std::string name, Vec3f position, Vec3f centre, Vec3f half) {
  TestFcePart box{std::move(name), position, {}, {}, {}};
  for (int i = 0; i < 8; ++i) {
    box.vertices.push_back({centre.x + ((i & 1) != 0 ? half.x : -half.x),
                            centre.y + ((i & 2) != 0 ? half.y : -half.y),
                            centre.z + ((i & 4) != 0 ? half.z : -half.z)});
  }
  constexpr std::int32_t kFaces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                         {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
  for (const auto& f : kFaces) {
    box.triangles.push_back({f[0], f[1], f[2]});
    box.triangles.push_back({f[0], f[2], f[3]});
  }
  return box;
}

TestFcePart reversed(TestFcePart part) {
  for (auto& corners : part.triangles) std::swap(corners[1], corners[2]);
  return part;
}

}  // namespace tromvex::test
