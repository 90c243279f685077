// A small, well-formed NFS2(SE) car built in code.
#include "support/car_builder.hpp"

#include <cstdint>
#include <vector>

#include "support/texture_builders.hpp"
#include "tools/car_files.hpp"

namespace tromvex::test {
namespace {

Palette car_palette() {
  Palette colours{};
  for (std::size_t n = 0; n < colours.size(); ++n) {
    colours[n] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n / 2),
                  static_cast<std::uint8_t>(255 - n), 255};
  }
  colours[0] = {0, 0, 0, 0};
  colours[5] = {10, 200, 20, 255};
  colours[6] = {200, 250, 100, 1};
  colours[7] = {90, 200, 180, 1};
  return colours;
}

template <typename Pixel>
ShpiPicture indexed_picture(const char* name, std::int16_t width, std::int16_t height,
                            Pixel pixel) {
  ShpiPicture picture;
  picture.name = name;
  picture.width = width;
  picture.height = height;
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c)
      picture.pixels.push_back(static_cast<std::uint8_t>(pixel(r, c)));
  }
  return picture;
}

Bytes car_archive() {
  return write_shpi_archive({
      palette_picture(car_palette()),
      indexed_picture("tex1", 64, 32, [](int r, int c) { return 1 + (r + c) % 8; }),
      indexed_picture("tex2", 720, 16, [](int r, int) { return 10 + r; }),
      indexed_picture("tex3", 32, 8, [](int, int c) { return 20 + c % 4; }),
  });
}

GeoFilePolygon polygon(std::uint32_t flags, std::array<std::uint8_t, 4> corners,
                       const char* texture) {
  return {flags, corners, texture_name(texture)};
}

Bytes car_geo() {
  GeoFile geo;
  geo.header = {0x5A, 3};  // never read, so anything
  geo.unread_part_bytes = {0xA5, 7};
  auto& parts = geo.parts;
  parts[0].vertex_count = 3;
  parts[0].vertices = {{256, -512, 1}, {512, 0, 0}, {0, 256, -256}};
  parts[0].position = {65536, 0, -32768};
  parts[0].polygons = {polygon(0, {0, 1, 2, 3}, "tex1"),
                       polygon(kGeoFlagCornerOrder | kGeoFlagTwoSided, {3, 2, 1, 0}, "tex2")};
  parts[3].vertex_count = 2;
  parts[3].vertices = {{10, 20, 30}, {-10, -20, -30}};
  parts[3].position = parts[0].position;
  parts[3].polygons = {polygon(kGeoFlagTwoSided, {0, 1, 1, 0}, "none")};
  parts[12].vertex_count = 4;
  parts[12].vertices = {{0, 0, 0}, {256, 64, 0}, {256, 192, 256}, {0, 128, 256}};
  parts[12].position = {0, 512, 0};
  parts[12].polygons = {polygon(kGeoFlagCornerOrder, {0, 1, 2, 3}, "tex3")};
  parts[13].vertex_count = 1;
  parts[13].vertices = {{5, 5, 5}};
  parts[13].position = parts[12].position;
  parts[18].vertex_count = 2;
  parts[18].vertices = {{0, -128, 0}, {0, -64, 0}};
  parts[18].polygons = {polygon(0, {0, 1, 0, 1}, "tex1")};
  parts[21].vertex_count = 2;
  parts[21].vertices = {{1, 2, 3}, {4, 5, 6}};
  parts[21].polygons = {polygon(kGeoFlagTwoSided, {1, 0, 1, 0}, "tex2")};
  return write_geo_file(geo);
}

}  // namespace

CarFiles build_small_car() {
  CarFiles car;
  car.geo_image = car_geo();
  car.shpi_archive = car_archive();
  car.qfs_archive = qfs_store(car.shpi_archive);
  return car;
}

}  // namespace tromvex::test
