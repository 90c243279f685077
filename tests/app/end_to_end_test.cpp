// Converts a whole car with the real program and checks both output files field by field.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "support/car_builder.hpp"
#include "support/subprocess.hpp"
#include "support/temp_dir.hpp"
#include "support/transcript.hpp"
#include "tools/qfs_compress.hpp"

namespace tromvex {
namespace {

using test::TempDir;

// The car of build_small_car, worked out by hand.
// FCE parts (vertex count, triangle count): High Body 16, 6 (GEO part 0 with its ten leading
// zero vertices, and part 3); High right front Wheel 6, 2; High left rear Wheel 2, 2; the
// Medium twins the same; Small Body 2, 2; the rest empty.
constexpr std::int32_t kV = 50;
constexpr std::int32_t kT = 22;
constexpr std::size_t kFceHeaderBytes = 7940;
constexpr std::size_t kVertexBlock = kFceHeaderBytes;
constexpr std::size_t kNormalBlock = kVertexBlock + 12 * kV;
constexpr std::size_t kTriangleBlock = kVertexBlock + 24 * kV;
constexpr std::size_t kZeroBlocks = kTriangleBlock + 56 * kT;
constexpr std::size_t kFceSize = 7940 + 80 * kV + 56 * kT;  // 13172

constexpr std::array<std::int32_t, 12> kFirstVertex{0, 16, 22, 22, 22, 24, 40, 46, 46, 46, 48, 50};
constexpr std::array<std::int32_t, 12> kVertexCount{16, 6, 0, 0, 2, 16, 6, 0, 0, 2, 2, 0};
constexpr std::array<std::int32_t, 12> kFirstTriangle{0, 6, 8, 8, 8, 10, 16, 18, 18, 18, 20, 22};
constexpr std::array<std::int32_t, 12> kTriangleCount{6, 2, 0, 0, 2, 6, 2, 0, 0, 2, 2, 0};
const std::array<std::string, 12> kPartNames{"High Body",
                                             "High right front Wheel",
                                             "High left front Wheel",
                                             "High right rear Wheel",
                                             "High left rear Wheel",
                                             "Medium Body",
                                             "Medium right front Wheel",
                                             "Medium left front Wheel",
                                             "Medium right rear Wheel",
                                             "Medium left rear Wheel",
                                             "Small Body",
                                             "Tiny Body"};

// The atlas: tex1 (64 x 32) at (0, 0); tex2 (720 x 16) does not fit beside it and opens the
// second row at (0, 32); tex3 (32 x 8) follows at (720, 32). Height 48.
constexpr double kAtlasHeight = 48;
float u_of(int column) { return static_cast<float>(column * (1.0 / 768)); }
float v_of(int row) { return static_cast<float>(row / kAtlasHeight); }
struct Rect {
  float left, right, top, bottom;
};
const Rect kTex1{u_of(0 + 2), u_of(0 + 64 - 2), v_of(0 + 2), v_of(0 + 32 - 2)};
const Rect kTex2{u_of(0 + 2), u_of(0 + 720 - 2), v_of(32 + 2), v_of(32 + 16 - 2)};
const Rect kTex3{u_of(720 + 2), u_of(720 + 32 - 2), v_of(32 + 2), v_of(32 + 8 - 2)};
const Rect kNoTexture{0, 0, 0, 0};

// The wheel "High right front Wheel" spans y 0 to 0.75: shifted by 0.375; every part is then
// lowered by 0.75.
constexpr float kLowering = 0.75f;

std::uint32_t u32_at(const Bytes& image, std::size_t offset) {
  return read_u32_le(image.data() + offset);
}
float f32_at(const Bytes& image, std::size_t offset) {
  return std::bit_cast<float>(u32_at(image, offset));
}

void expect_floats(const Bytes& image, std::size_t offset, std::array<float, 3> expected,
                   const std::string& what) {
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(f32_at(image, offset + 4 * i), expected[i]) << what << " [" << i << "]";
}

bool all_zero(const Bytes& image, std::size_t from, std::size_t to) {
  return std::all_of(image.begin() + static_cast<std::ptrdiff_t>(from),
                     image.begin() + static_cast<std::ptrdiff_t>(to),
                     [](std::uint8_t b) { return b == 0; });
}

struct TriangleCase {
  int index;
  std::array<std::int32_t, 3> corners;
  std::uint32_t flags;
  std::array<float, 3> u, v;
};

// Corners p0..p3 with bit 0x04 clear run (p0 p3 p2), (p2 p1 p0); with it set (p0 p1 p2),
// (p2 p3 p0). p0 has (left, bottom), p1 (right, bottom), p2 (right, top), p3 (left, top).
std::vector<TriangleCase> expected_triangles() {
  const Rect& a = kTex1;
  const Rect& b = kTex2;
  const Rect& c = kTex3;
  const Rect& n = kNoTexture;
  std::vector<TriangleCase> cases{
      // High Body: part 0's polygons (corners + 10), then part 3's at vertex base 14.
      {0, {10, 13, 12}, 1, {a.left, a.left, a.right}, {a.bottom, a.top, a.top}},
      {1, {12, 11, 10}, 1, {a.right, a.right, a.left}, {a.top, a.bottom, a.bottom}},
      {2, {13, 12, 11}, 5, {b.left, b.right, b.right}, {b.bottom, b.bottom, b.top}},
      {3, {11, 10, 13}, 5, {b.right, b.left, b.left}, {b.top, b.top, b.bottom}},
      {4, {14, 14, 15}, 5, {n.left, n.left, n.right}, {n.bottom, n.top, n.top}},
      {5, {15, 15, 14}, 5, {n.right, n.right, n.left}, {n.top, n.bottom, n.bottom}},
      // High right front Wheel.
      {6, {0, 1, 2}, 1, {c.left, c.right, c.right}, {c.bottom, c.bottom, c.top}},
      {7, {2, 3, 0}, 1, {c.right, c.left, c.left}, {c.top, c.top, c.bottom}},
      // High left rear Wheel: corners 0 1 0 1.
      {8, {0, 1, 0}, 1, {a.left, a.left, a.right}, {a.bottom, a.top, a.top}},
      {9, {0, 1, 0}, 1, {a.right, a.right, a.left}, {a.top, a.bottom, a.bottom}},
      // Small Body: part 21's corners 1 0 1 0; part 20 has no vertices.
      {20, {1, 0, 1}, 5, {b.left, b.left, b.right}, {b.bottom, b.top, b.top}},
      {21, {1, 0, 1}, 5, {b.right, b.right, b.left}, {b.top, b.bottom, b.bottom}},
  };
  // The Medium parts repeat the High ones.
  for (int i = 0; i < 10; ++i) {
    TriangleCase twin = cases[static_cast<std::size_t>(i)];
    twin.index += 10;
    cases.push_back(twin);
  }
  return cases;
}

void expect_fce_header(const Bytes& fce) {
  EXPECT_EQ(u32_at(fce, 0), 0u);
  EXPECT_EQ(u32_at(fce, 4), 22u);
  EXPECT_EQ(u32_at(fce, 8), 50u);
  EXPECT_EQ(u32_at(fce, 12), 1u);
  const std::array<std::uint32_t, 6> block_offsets{0, 600, 1200, 2432, 4032, 4632};
  for (std::size_t i = 0; i < block_offsets.size(); ++i)
    EXPECT_EQ(u32_at(fce, 16 + 4 * i), block_offsets[i]);
  EXPECT_EQ(u32_at(fce, 40), 0x3F977507u);
  EXPECT_EQ(u32_at(fce, 44), 0x3F2B39A5u);
  EXPECT_EQ(u32_at(fce, 48), 0x401A0324u);
  EXPECT_TRUE(all_zero(fce, 52, 248));
  EXPECT_EQ(u32_at(fce, 248), 12u);
  EXPECT_EQ(u32_at(fce, 2044), 1u);
  EXPECT_TRUE(all_zero(fce, 2048, 3588));
  EXPECT_TRUE(all_zero(fce, 7684, 7940));

  // Positions: the first gathered GEO part's, / 65536, wheels moved up by their shift, all lowered.
  expect_floats(fce, 252 + 12 * 0, {1.0f, 0.0f - kLowering, -0.5f}, "High Body position");
  expect_floats(fce, 252 + 12 * 1, {0.0f, 0.0078125f + 0.375f - kLowering, 0.0f},
                "High right front Wheel position");
  expect_floats(fce, 252 + 12 * 4, {0.0f, 0.0f + 0.25f - kLowering, 0.0f},
                "High left rear Wheel position");
  expect_floats(fce, 252 + 12 * 5, {1.0f, 0.0f - kLowering, -0.5f}, "Medium Body position");
  expect_floats(fce, 252 + 12 * 11, {0.0f, -kLowering, 0.0f}, "Tiny Body position");
  EXPECT_TRUE(all_zero(fce, 252 + 12 * 12, 1020));

  for (std::size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(static_cast<std::int32_t>(u32_at(fce, 1020 + 4 * i)), kFirstVertex[i])
        << "part " << i;
    EXPECT_EQ(static_cast<std::int32_t>(u32_at(fce, 1276 + 4 * i)), kVertexCount[i])
        << "part " << i;
    EXPECT_EQ(static_cast<std::int32_t>(u32_at(fce, 1532 + 4 * i)), kFirstTriangle[i])
        << "part " << i;
    EXPECT_EQ(static_cast<std::int32_t>(u32_at(fce, 1788 + 4 * i)), kTriangleCount[i])
        << "part " << i;
    const std::size_t slot = 3588 + 64 * i;
    EXPECT_EQ(std::string(fce.begin() + static_cast<std::ptrdiff_t>(slot),
                          fce.begin() + static_cast<std::ptrdiff_t>(slot + kPartNames[i].size())),
              kPartNames[i]);
    EXPECT_TRUE(all_zero(fce, slot + kPartNames[i].size(), slot + 64)) << "part " << i;
  }
  EXPECT_TRUE(all_zero(fce, 3588 + 64 * 12, 7684));
}

void expect_fce_blocks(const Bytes& fce) {
  const auto vertex = [](int index) { return kVertexBlock + 12 * static_cast<std::size_t>(index); };
  EXPECT_TRUE(all_zero(fce, vertex(0), vertex(10)));  // the ten vertices put before GEO part 0's
  expect_floats(fce, vertex(10), {1.0f, -2.0f, 0.00390625f}, "GEO (256, -512, 1)");
  expect_floats(fce, vertex(12), {0.0f, 1.0f, -1.0f}, "GEO (0, 256, -256)");
  expect_floats(fce, vertex(14), {10 / 256.0f, 20 / 256.0f, 30 / 256.0f}, "GEO part 3's first");
  // High right front Wheel: y runs 0 to 0.75 and is shifted down by 0.375.
  expect_floats(fce, vertex(16 + 1), {1.0f, 0.25f - 0.375f, 0.0f}, "wheel vertex 1");
  expect_floats(fce, vertex(16 + 2), {1.0f, 0.75f - 0.375f, 1.0f}, "wheel vertex 2");
  expect_floats(fce, vertex(16 + 4), {5 / 256.0f, 5 / 256.0f - 0.375f, 5 / 256.0f}, "GEO part 13");
  // High left rear Wheel: y runs -0.5 to -0.25, the range 0-clamped to [-0.5, 0]: shift 0.25.
  expect_floats(fce, vertex(22), {0.0f, -0.5f - 0.25f, 0.0f}, "rear wheel vertex 0");
  // The Medium twins.
  expect_floats(fce, vertex(24 + 10), {1.0f, -2.0f, 0.00390625f}, "Medium Body vertex 10");
  expect_floats(fce, vertex(40 + 2), {1.0f, 0.375f, 1.0f}, "Medium wheel vertex 2");
  expect_floats(fce, vertex(48 + 1), {4 / 256.0f, 5 / 256.0f, 6 / 256.0f}, "Small Body vertex 1");
  EXPECT_TRUE(all_zero(fce, kNormalBlock, kTriangleBlock));

  for (const TriangleCase& t : expected_triangles()) {
    const std::size_t at = kTriangleBlock + 56 * static_cast<std::size_t>(t.index);
    const std::string what = "triangle " + std::to_string(t.index);
    EXPECT_EQ(u32_at(fce, at), 0u) << what;
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(static_cast<std::int32_t>(u32_at(fce, at + 4 + 4 * i)), t.corners[i]) << what;
      EXPECT_EQ(u32_at(fce, at + 16 + 4 * i), 0xFF00FF00u) << what;
    }
    EXPECT_EQ(u32_at(fce, at + 28), t.flags) << what;
    expect_floats(fce, at + 32, t.u, what + " u");
    expect_floats(fce, at + 44, t.v, what + " v");
  }
  EXPECT_TRUE(all_zero(fce, kZeroBlocks, kFceSize));
}

// TGA pixel (row r, column k) takes atlas row r * 48 / 256 and column 3k; the palette gives
// (blue, green, red) and the alpha rule: flag 0 gives 0; green above blue and red by more
// than 40 gives 100 with blue and red raised by green (mod 256); otherwise 255.
void expect_tga(const Bytes& tga) {
  ASSERT_EQ(tga.size(), 262162u);
  const Bytes header{0, 0, 2, 0, 0, 0, 0, 32, 0, 0, 0, 0, 0, 1, 0, 1, 32, 0};
  EXPECT_EQ(Bytes(tga.begin(), tga.begin() + 18), header);
  struct Pixel {
    int row, column;
    std::array<std::uint8_t, 4> bgra;
  };
  const std::vector<Pixel> pixels{
      {0, 0, {1, 0, 254, 255}},        // tex1 (0, 0): index 1
      {0, 1, {4, 2, 251, 255}},        // tex1 (0, 3): index 4
      {0, 2, {90, 200, 180, 255}},     // index 7: green beats red by only 20
      {0, 4, {210, 200, 220, 100}},    // index 5: green dominates
      {0, 7, {194, 250, 94, 100}},     // index 6: green dominates, both sums wrap
      {6, 11, {3, 1, 252, 255}},       // atlas row 1, column 33: tex1 (1, 33), index 3
      {170, 0, {8, 4, 247, 255}},      // atlas row 31: tex1's last row, index 8
      {170, 22, {0, 0, 0, 0}},         // atlas column 66: right of tex1, uncovered: index 0
      {100, 30, {0, 0, 0, 0}},         // atlas (18, 90): uncovered
      {200, 100, {15, 7, 240, 255}},   // atlas row 37: tex2 row 5, index 15
      {180, 242, {22, 11, 233, 255}},  // atlas (33, 726): tex3 (1, 6), index 22
      {255, 0, {25, 12, 230, 255}},    // atlas row 47: tex2 row 15, index 25
      {255, 250, {0, 0, 0, 0}},        // atlas (47, 750): below tex3, uncovered
  };
  for (const Pixel& p : pixels) {
    const std::size_t at =
        18 + 4 * (static_cast<std::size_t>(p.row) * 256 + static_cast<std::size_t>(p.column));
    EXPECT_EQ((std::array<std::uint8_t, 4>{tga[at], tga[at + 1], tga[at + 2], tga[at + 3]}), p.bgra)
        << "pixel row " << p.row << " column " << p.column;
  }
}

std::string completed_transcript() {
  return test::banner_and_usage() + test::kLoadingLines + "\t- Reading QFS file...\n" +
         "Reading NFS2(SE) car data:\n" + "\t- Reading Texture data...\n" +
         "\t- Reading Mesh data...\n" + "\tSCHEISSE!\n" +
         "Converting NFS2(SE) car data to NFS3 car data:\n" + "\t- Converting Texture\n" +
         "\t- Converting Mesh data\n" + "Writing NFS3 files:\n" + "\t- Writing TGA file...\n" +
         "\t- Writing FCE file...\n" + "\nConvertion sucessefull!";
}

// Every form of the texture file gives the same car; a fifth name is ignored. With no
// terminal the final pause returns 0 at once, and that is the exit status.
TEST(EndToEnd, ConvertsTheCarFromEveryTextureFileForm) {
  const test::CarFiles car = test::build_small_car();
  struct Form {
    const char* name;
    Bytes texture_file;
  };
  for (const Form& form :
       {Form{"QFS literals", car.qfs_archive}, Form{"plain SHPI", car.shpi_archive},
        Form{"QFS compressed", qfs_compress(car.shpi_archive)}}) {
    SCOPED_TRACE(form.name);
    TempDir dir;
    test::write_file(dir.file("car.geo"), car.geo_image);
    test::write_file(dir.file("car.qfs"), form.texture_file);
    const auto result = test::run_process(
        TROMVEX_EXE, {TROMVEX_EXE, dir.file("car.geo"), dir.file("car.qfs"), dir.file("car.fce"),
                      dir.file("car00.tga"), dir.file("extra.fce")});
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.output, completed_transcript());
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("extra.fce")));

    const Bytes fce = test::read_file(dir.file("car.fce"));
    ASSERT_EQ(fce.size(), kFceSize);
    expect_fce_header(fce);
    expect_fce_blocks(fce);
    expect_tga(test::read_file(dir.file("car00.tga")));
  }
}

}  // namespace
}  // namespace tromvex
