// Fuzz target for read_fce_image, the FCE reader, and render_car_views, which draws what it
// read, at the smallest picture size; bit 0 of the first byte (a word the reader ignores)
// chooses the part colours and legend.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the image is accepted:
// - at most 64 parts; each part's vertex and triangle ranges lie inside the car's tables, and
//   every triangle index lies inside its part's vertices;
// - the vertex and triangle tables are no larger than the image's bytes can hold (12 bytes a
//   vertex, 56 a triangle), so a file costs tables in proportion to its size, and there is one
//   normal a vertex;
// - drawing is refused (MalformedFile) only when the parts hold more than 128 triangles,
//   enough to cover a view more than 256 times over; otherwise
// - the picture is exactly 64 pixels wide, 32 tall plus a legend of at most 32 lines, and
//   opaque everywhere: a bounded picture whatever the file holds (huge, infinite or NaN
//   coordinates included).
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_check.hpp"
#include "mesh/fce_layout.hpp"
#include "mesh/fce_reader.hpp"
#include "render/car_views.hpp"

namespace {

constexpr std::size_t kVertexFileSize = 12;
constexpr std::size_t kTriangleFileSize = 56;
constexpr int kMaxLegendHeight = 32 * 8 + 4;  // 64 names in two columns, 8 pixels a line, margins

// A 2 x 2 texture with one clear texel, so cut-outs are exercised.
const tromvex::RgbaPicture& texture() {
  static const tromvex::RgbaPicture picture{
      2, 2, {255, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255}};
  return picture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  FceCar car;
  if (!fuzz::accepts([&] { car = read_fce_image(std::span<const std::uint8_t>(data, size)); }))
    return 0;

  FUZZ_CHECK(car.parts.size() <= kFceSlotCount);
  FUZZ_CHECK(car.vertices.size() * kVertexFileSize <= size);
  FUZZ_CHECK(car.normals.size() == car.vertices.size());
  FUZZ_CHECK(car.triangles.size() * kTriangleFileSize <= size);
  for (const FceCarPart& part : car.parts) {
    FUZZ_CHECK(part.first_vertex >= 0 && part.vertex_count >= 0);
    FUZZ_CHECK(static_cast<std::size_t>(part.first_vertex) +
                   static_cast<std::size_t>(part.vertex_count) <=
               car.vertices.size());
    FUZZ_CHECK(part.first_triangle >= 0 && part.triangle_count >= 0);
    FUZZ_CHECK(static_cast<std::size_t>(part.first_triangle) +
                   static_cast<std::size_t>(part.triangle_count) <=
               car.triangles.size());
    for (std::int32_t t = 0; t < part.triangle_count; ++t) {
      for (const std::int32_t index :
           car.triangles[static_cast<std::size_t>(part.first_triangle + t)].indices) {
        FUZZ_CHECK(index >= 0 && index < part.vertex_count);
      }
    }
  }

  const bool colour_parts = size > 0 && (data[0] & 1) != 0;
  CarViews views;
  // A car whose triangles cover a view too many times over is refused rather than drawn.
  if (!fuzz::accepts([&] {
        views = render_car_views(car, texture(), {kMinPictureWidth, colour_parts});
      })) {
    // Each triangle costs at most its cell's pixels and rows and a step, under twice the
    // cell's share of the budget: only more than 128 triangles drawn can exceed it.
    std::int64_t drawn = 0;
    for (const FceCarPart& part : car.parts) drawn += part.triangle_count;
    FUZZ_CHECK(drawn > 128);
    return 0;
  }
  const RgbaPicture& picture = views.picture;
  FUZZ_CHECK(picture.width == kMinPictureWidth);
  FUZZ_CHECK(picture.height >= kMinPictureWidth / 2 &&
             picture.height <= kMinPictureWidth / 2 + kMaxLegendHeight);
  FUZZ_CHECK(picture.pixels.size() == static_cast<std::size_t>(picture.width) *
                                          static_cast<std::size_t>(picture.height) * 4);
  for (std::size_t i = 3; i < picture.pixels.size(); i += 4) FUZZ_CHECK(picture.pixels[i] == 255);
  return 0;
}
