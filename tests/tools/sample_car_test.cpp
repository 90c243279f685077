// Tests of the bundled sample car: the committed files are what the generator makes, and the
// car has every feature it is meant to show.
#include "tools/sample_car.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/records.hpp"
#include "mesh/fce_reader.hpp"
#include "mesh/geo.hpp"
#include "pipeline/convert.hpp"
#include "support/temp_dir.hpp"
#include "texture/qfs.hpp"
#include "texture/shpi.hpp"
#include "texture/texture_file.hpp"

namespace tromvex {
namespace {

const std::string kExamplesDir = TROMVEX_EXAMPLES_DIR;

TEST(SampleCar, CommittedFilesAreWhatTheGeneratorMakes) {
  // After a change to the generator: make_sample_car examples/sample.geo examples/sample.qfs
  EXPECT_EQ(test::read_file(kExamplesDir + "/sample.geo"), make_sample_geo());
  EXPECT_EQ(test::read_file(kExamplesDir + "/sample.qfs"), make_sample_qfs());
}

TEST(SampleCar, TextureFileExpandsToTheArchive) {
  const Bytes qfs = make_sample_qfs();
  ASSERT_FALSE(is_shpi_archive(qfs));
  EXPECT_EQ(qfs_decompress(qfs), make_sample_archive());
}

class CountingEvents : public ConversionEvents {
 public:
  void missing_texture() override { ++missing; }
  int missing = 0;
};

TEST(SampleCar, ConvertsWithEveryTextureFound) {
  CountingEvents events;
  const CarImages images = convert_car(make_sample_geo(), make_sample_qfs(), events);
  EXPECT_EQ(events.missing, 0);
  EXPECT_EQ(images.tga_image.size(), std::size_t{262162});
  EXPECT_GT(images.fce_image.size(), std::size_t{7940});
}

// The file's own vertex counts, before the reader rounds them up: walked from the raw bytes.
std::vector<std::uint32_t> file_vertex_counts(const Bytes& geo) {
  constexpr std::size_t kFirstPart = 140, kPartHeader = 52, kVertex = 6, kPolygon = 12;
  std::vector<std::uint32_t> counts;
  std::size_t at = kFirstPart;
  for (int part = 0; part < kGeoPartCount; ++part) {
    const std::uint32_t vertices = read_u32_le(geo.data() + at);
    const std::uint32_t polygons = read_u32_le(geo.data() + at + 4);
    counts.push_back(vertices);
    at += kPartHeader + (vertices + vertices % 2) * kVertex + polygons * kPolygon;
  }
  EXPECT_EQ(at, geo.size());  // nothing follows the last part
  return counts;
}

TEST(SampleCar, MeshShowsEveryFeature) {
  const Bytes geo = make_sample_geo();
  const Bytes archive = qfs_decompress(make_sample_qfs());
  const std::vector<TextureRecord> textures = read_shpi_directory(archive);
  CountingEvents missing_textures;
  const std::vector<GeoPart> parts = read_geo_mesh(geo, textures, missing_textures);
  EXPECT_EQ(missing_textures.missing, 0);
  ASSERT_EQ(parts.size(), std::size_t{kGeoPartCount});

  std::set<std::uint32_t> corner_order_bits, two_sided_bits;
  for (std::size_t p = 0; p < parts.size(); ++p) {
    SCOPED_TRACE("part " + std::to_string(p));
    EXPECT_GT(parts[p].polygon_count, 0);
    for (const GeoPolygon& polygon : parts[p].polygons) {
      corner_order_bits.insert(polygon.flags & kGeoFlagCornerOrder);
      two_sided_bits.insert(polygon.flags & kGeoFlagTwoSided);
      for (const std::int32_t index : polygon.indices) EXPECT_LT(index, parts[p].vertex_count);
    }
  }
  EXPECT_EQ(corner_order_bits.size(), 2u);  // both set and clear
  EXPECT_EQ(two_sided_bits.size(), 2u);

  const std::vector<std::uint32_t> counts = file_vertex_counts(geo);
  EXPECT_TRUE(
      std::any_of(counts.begin(), counts.end(), [](std::uint32_t n) { return n % 2 != 0; }));

  // The wheels sit at their own positions; the wing's position differs from the body's.
  for (std::size_t wheel = 12; wheel < 20; ++wheel) EXPECT_NE(parts[wheel].position, Vec3f{});
  EXPECT_EQ(parts[0].position, Vec3f{});
  EXPECT_NE(parts[5].position, Vec3f{});
}

TEST(SampleCar, PaletteHasClearAndGreenTintedColours) {
  const Bytes archive = make_sample_archive();
  const std::vector<TextureRecord> textures = read_shpi_directory(archive);
  ASSERT_GE(textures.size(), std::size_t{2});
  const std::span<const std::uint8_t> palette = textures[0].pixels;
  ASSERT_EQ(palette.size(), std::size_t{1024});
  EXPECT_EQ(palette[3], 0);  // colour 0, the uncovered canvas, is clear
  int green_tinted = 0;
  for (std::size_t colour = 0; colour < 256; ++colour) {
    const int blue = palette[4 * colour], green = palette[4 * colour + 1];
    const int red = palette[4 * colour + 2], flag = palette[4 * colour + 3];
    if (flag != 0 && green - blue > 40 && green - red > 40) ++green_tinted;
  }
  EXPECT_GT(green_tinted, 0);
  for (std::size_t t = 1; t < textures.size(); ++t) EXPECT_EQ(textures[t].type, 0x7B);
}

// Real cars wind every outside triangle so that (v1 - v0) x (v2 - v0) points into the car, and
// the game culls by that winding. Summed over a closed body, v0 . (v1 x v2) / 6 is then the
// enclosed volume taken negative: on real cars about -0.5 to -0.7 of the bounding box's.
TEST(SampleCar, BodiesAreWoundLikeRealCars) {
  CountingEvents events;
  const FceCar car =
      read_fce_image(convert_car(make_sample_geo(), make_sample_qfs(), events).fce_image);
  for (const std::size_t body : {0u, 5u, 10u, 11u}) {
    const FceCarPart& part = car.parts[body];
    SCOPED_TRACE(part.name);
    const auto vertex = [&](std::int32_t index) {
      return car.vertices[static_cast<std::size_t>(part.first_vertex + index)];
    };
    Vec3f low = vertex(0), high = vertex(0);
    for (std::int32_t v = 0; v < part.vertex_count; ++v) {
      const Vec3f p = vertex(v);
      low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
      high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    const double cx = (low.x + high.x) / 2.0, cy = (low.y + high.y) / 2.0,
                 cz = (low.z + high.z) / 2.0;
    double volume = 0.0;
    for (std::int32_t t = 0; t < part.triangle_count; ++t) {
      const FceTriangle& triangle =
          car.triangles[static_cast<std::size_t>(part.first_triangle + t)];
      double c[3][3];
      for (std::size_t k = 0; k < 3; ++k) {
        const Vec3f p = vertex(triangle.indices[k]);
        c[k][0] = p.x - cx;
        c[k][1] = p.y - cy;
        c[k][2] = p.z - cz;
      }
      volume += (c[0][0] * (c[1][1] * c[2][2] - c[1][2] * c[2][1]) -
                 c[0][1] * (c[1][0] * c[2][2] - c[1][2] * c[2][0]) +
                 c[0][2] * (c[1][0] * c[2][1] - c[1][1] * c[2][0])) /
                6.0;
    }
    const double box =
        (double{high.x} - low.x) * (double{high.y} - low.y) * (double{high.z} - low.z);
    EXPECT_LT(volume, -0.3 * box) << "enclosed " << volume / box << " of the box";
  }
}

}  // namespace
}  // namespace tromvex
