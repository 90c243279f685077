// Fuzz target for convert_car, the whole conversion of a car in memory.
//
// Input layout: a 32-bit little-endian split s, then the GEO image and the texture file; the
// GEO image is the first min(s, rest) bytes of the rest, the texture file the others.
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the car is converted:
// - the TGA image is exactly 262162 bytes and begins with the fixed 18-byte header;
// - the FCE image is exactly 7940 + 80 V + 56 T bytes, with T and V read from its own header
//   (offsets 4 and 8), and holds 12 parts;
// - every part position, vertex coordinate and texture coordinate in it is a finite float;
// - the phases were announced in their order, each once, and the mesh phase ran before any
//   missing-texture report.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.hpp"
#include "fuzz_check.hpp"
#include "mesh/fce_layout.hpp"
#include "pipeline/convert.hpp"
#include "texture/tga.hpp"

namespace {

using tromvex::Phase;

constexpr std::size_t kSplitSize = 4;
constexpr std::size_t kFceTextureCoordinateCount = 6;  // u0 u1 u2 v0 v1 v2 in a triangle
constexpr std::array<std::uint8_t, tromvex::kTgaHeaderSize> kTgaHeader{0, 0, 2, 0, 0, 0, 0, 32, 0,
                                                                       0, 0, 0, 0, 1, 0, 1, 32, 0};

// Checks that phases come in order, each once, and that textures go missing only while the
// mesh is read.
class PhaseOrder : public tromvex::ConversionEvents {
 public:
  void before(Phase phase) override {
    const int next = static_cast<int>(phase);
    FUZZ_CHECK(next == last_ + 1);
    last_ = next;
  }
  void missing_texture() override { FUZZ_CHECK(last_ == static_cast<int>(Phase::mesh)); }
  int last() const { return last_; }

 private:
  int last_ = -1;
};

bool finite_floats(const tromvex::Bytes& image, std::size_t at, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto value =
        std::bit_cast<float>(tromvex::read_u32_le(&image[at + tromvex::kFceWordSize * i]));
    if (!std::isfinite(value)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  if (size < kSplitSize) return 0;
  const std::size_t rest = size - kSplitSize;
  const std::size_t geo_size = std::min<std::size_t>(read_u32_le(data), rest);
  const std::uint8_t* geo_begin = data + kSplitSize;
  // The GEO image gets a buffer of its exact size, so a read past its end is caught too.
  const Bytes geo_copy(geo_begin, geo_begin + geo_size);
  const std::span<const std::uint8_t> geo_image(geo_copy);
  Bytes texture_file(geo_begin + geo_size, data + size);

  PhaseOrder events;
  CarImages images;
  if (!fuzz::accepts([&] { images = convert_car(geo_image, std::move(texture_file), events); })) {
    return 0;
  }
  FUZZ_CHECK(events.last() == static_cast<int>(Phase::mesh_conversion));

  FUZZ_CHECK(images.tga_image.size() == kTgaFileSize);
  FUZZ_CHECK(std::equal(kTgaHeader.begin(), kTgaHeader.end(), images.tga_image.begin()));

  const Bytes& fce = images.fce_image;
  FUZZ_CHECK(fce.size() >= kFceHeaderSize);
  const auto triangle_total = static_cast<std::int32_t>(read_u32_le(&fce[kFceTriangleTotalOffset]));
  const auto vertex_total = static_cast<std::int32_t>(read_u32_le(&fce[kFceVertexTotalOffset]));
  FUZZ_CHECK(triangle_total >= 0 && vertex_total >= 0);
  const std::uint64_t expected_size =
      kFceHeaderSize + kFceBytesPerVertex * static_cast<std::uint64_t>(vertex_total) +
      kFceTriangleRecordSize * static_cast<std::uint64_t>(triangle_total);
  FUZZ_CHECK(fce.size() == expected_size);
  FUZZ_CHECK(read_u32_le(&fce[kFcePartCountOffset]) == static_cast<std::uint32_t>(kFcePartCount));
  const auto vertices = static_cast<std::size_t>(vertex_total);
  const auto triangles = static_cast<std::size_t>(triangle_total);
  FUZZ_CHECK(finite_floats(fce, kFcePositionsOffset, 3 * kFcePartCount));
  FUZZ_CHECK(finite_floats(fce, kFceHeaderSize, 3 * vertices));
  const std::size_t triangle_block = kFceHeaderSize + (kFceVertexSize + kFceNormalSize) * vertices;
  for (std::size_t t = 0; t < triangles; ++t) {
    FUZZ_CHECK(finite_floats(fce, triangle_block + kFceTriangleRecordSize * t + kFceTriangleUOffset,
                             kFceTextureCoordinateCount));
  }
  return 0;
}
