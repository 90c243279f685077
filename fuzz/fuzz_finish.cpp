// Fuzz target for finish_fce_image, the finishing step of tromvex-finish.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile, and
// - it refuses what read_fce_image refuses, and beyond that only a file whose normal block
//   overlaps another block;
// where the image is finished:
// - the output is exactly as long as the input and differs from it only in the normal block
//   (12 bytes a vertex at the offset its header field gives) and at bytes 40-51, the half sizes;
// - it counts the header's parts and at most one normal a vertex, and every normal it changed
//   has length 1;
// - finishing the output again gives the same bytes: normals and half sizes come from the
//   vertices and positions alone, which finishing never changes.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "common/bytes.hpp"
#include "fuzz_check.hpp"
#include "mesh/fce_finish.hpp"
#include "mesh/fce_layout.hpp"
#include "mesh/fce_reader.hpp"

namespace {

constexpr char kOverlapMessage[] = "the normal block of the FCE file overlaps its ";

double f32_at(const std::uint8_t* p) { return std::bit_cast<float>(tromvex::read_u32_le(p)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  const std::span<const std::uint8_t> image(data, size);
  FceCar car;
  const bool readable = fuzz::accepts([&] { car = read_fce_image(image); });
  FinishedFce finished;
  try {
    finished = finish_fce_image(image);
  } catch (const MalformedFile& refusal) {
    FUZZ_CHECK(!readable ||
               std::strncmp(refusal.what(), kOverlapMessage, sizeof kOverlapMessage - 1) == 0);
    return 0;
  }
  FUZZ_CHECK(readable);

  const Bytes& out = finished.image;
  FUZZ_CHECK(out.size() == size);
  // The reader has checked that the normal block lies inside the image.
  const std::size_t vertices = car.vertices.size();
  const std::size_t normal_block = kFceHeaderSize + read_u32_le(data + kFceNormalBlockFieldOffset);
  const std::size_t normal_end = normal_block + kFceNormalSize * vertices;
  for (std::size_t at = 0; at < size; ++at) {
    const bool half_size = at >= kFceHalfSizesOffset && at < kFceHalfSizesOffset + 12;
    const bool normal = at >= normal_block && at < normal_end;
    FUZZ_CHECK(half_size || normal || out[at] == data[at]);
  }
  FUZZ_CHECK(finished.part_count == car.parts.size());
  FUZZ_CHECK(finished.normal_count <= vertices);
  for (std::size_t v = 0; v < vertices; ++v) {
    const std::size_t at = normal_block + kFceNormalSize * v;
    if (std::memcmp(out.data() + at, data + at, kFceNormalSize) == 0) continue;
    const double x = f32_at(out.data() + at), y = f32_at(out.data() + at + 4),
                 z = f32_at(out.data() + at + 8);
    FUZZ_CHECK(std::abs(std::sqrt(x * x + y * y + z * z) - 1.0) < 1e-5);
  }
  FUZZ_CHECK(finish_fce_image(out).image == out);
  return 0;
}
