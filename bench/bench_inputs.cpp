// Inputs the benchmarks share: texture-like byte streams, a large generated car and a dense
// FCE car.
#include "bench_inputs.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "support/reference_fce.hpp"
#include "tools/car_files.hpp"
#include "tools/qfs_compress.hpp"

namespace tromvex::bench {
namespace {

constexpr int kSide = 128;
constexpr std::size_t kPictureHeader = 16;

std::uint32_t next_random(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 16;
}

// Picture number n of the texture-like stream; the pattern and its colours follow from n.
Bytes picture(std::uint32_t n, Grain grain) {
  static constexpr std::array<std::array<int, 4>, 4> kBayer{
      {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}}};
  std::uint32_t state = n * 2654435761u + 1;
  const int base = static_cast<int>(next_random(state) % 192);
  std::array<std::uint8_t, 16 * 16> tile{};
  for (auto& t : tile)
    t = static_cast<std::uint8_t>(base + static_cast<int>(next_random(state) % 8));

  Bytes pixels(kSide * kSide);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      int index = base;
      switch (n % 5) {
        case 0:
          index += (x + y) * 32 / (2 * kSide);
          break;  // gradient
        case 1:
          index += ((x / 32) * 7 + (y / 32) * 3) % 16;
          break;  // flat panels
        case 2:
          index += (y * 16 / kSide +
                    kBayer[static_cast<std::size_t>(y % 4)][static_cast<std::size_t>(x % 4)] / 8);
          break;  // dithering
        case 3:
          index = tile[static_cast<std::size_t>((y % 16) * 16 + x % 16)];
          break;  // repeated tile
        default:
          index += (next_random(state) % 16 == 0) ? 3 : 0;
          break;  // flat with grain
      }
      // Painted textures are rarely clean: a quarter of the pixels stray by a shade or two.
      if (grain == Grain::stray_shades && n % 5 != 3 && next_random(state) % 4 == 0) {
        index += static_cast<int>(next_random(state) % 3);
      }
      pixels[static_cast<std::size_t>(y * kSide + x)] = static_cast<std::uint8_t>(index);
    }
  }
  return pixels;
}

Bytes palette() {
  Bytes colours;
  for (int i = 0; i < 256; ++i) {
    for (const int c : {i, (i * 3) % 256, 255 - i, 255})
      colours.push_back(static_cast<std::uint8_t>(c));
  }
  return colours;
}

// A 14 x 13 grid of vertices (182, within reach of the 8-bit corner indices) curved into a
// shell, with 13 x 12 quads, each quad naming one of the textures in turn.
GeoFilePart grid_part(int part, int texture_count) {
  constexpr int kColumns = 14;
  constexpr int kRows = 13;
  GeoFilePart grid;
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      grid.vertices.push_back({static_cast<std::int16_t>(c * 40 - 260),
                               static_cast<std::int16_t>(r * 30 + (c - 7) * (c - 7) + part),
                               static_cast<std::int16_t>(r * 60 - 360)});
    }
  }
  for (int r = 0; r + 1 < kRows; ++r) {
    for (int c = 0; c + 1 < kColumns; ++c) {
      const auto at = [](int row, int column) {
        return static_cast<std::uint8_t>(row * kColumns + column);
      };
      const int quad = r * (kColumns - 1) + c;
      char name[5];
      const int texture = (part * 7 + quad) % texture_count;
      name[0] = 't';
      name[1] = static_cast<char>('0' + texture / 10);
      name[2] = static_cast<char>('0' + texture % 10);
      name[3] = 0;
      grid.polygons.push_back({quad % 3 == 0 ? kGeoFlagCornerOrder : kGeoFlagTwoSided,
                               {at(r, c), at(r, c + 1), at(r + 1, c + 1), at(r + 1, c)},
                               texture_name(name)});
    }
  }
  grid.position = {0, part * 4096, 0};
  grid.vertex_count = static_cast<std::int32_t>(grid.vertices.size());
  return grid;
}

}  // namespace

Bytes texture_like_bytes(std::size_t size, Grain grain) {
  Bytes bytes;
  bytes.reserve(size + kPictureHeader + kSide * kSide);
  for (std::uint32_t n = 0; bytes.size() < size; ++n) {
    const std::array<std::uint8_t, kPictureHeader> header{0x7B, 0, 0, 0, kSide, 0, kSide, 0};
    bytes.insert(bytes.end(), header.begin(), header.end());
    const Bytes pixels = picture(n, grain);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
  }
  bytes.resize(size);
  return bytes;
}

Bytes short_command_stream(std::size_t output_size) {
  std::uint32_t state = 12345;
  // The header's output length is filled in at the end.
  Bytes body{0x10, 0xFB, 0, 0, 0};
  std::size_t produced = 0;
  // Four literals first, so that every copy has bytes to copy from.
  body.push_back(0xE0);
  for (int i = 0; i < 4; ++i) body.push_back(static_cast<std::uint8_t>(next_random(state)));
  produced += 4;
  while (produced + 19 < output_size) {
    const std::size_t literals = next_random(state) % 4;
    const std::size_t target = 6 + next_random(state) % 14;  // 6 to 19 bytes
    const std::size_t copy = target - literals;
    const std::size_t distance =
        1 + next_random(state) % std::min<std::size_t>(produced + literals, 1024);
    if (copy <= 10) {  // two bytes: 0-3 literals, a copy of 3-10 from 1-1024 back
      const std::size_t d = distance - 1;
      body.push_back(static_cast<std::uint8_t>(((d >> 3) & 0x60) | ((copy - 3) << 2) | literals));
      body.push_back(static_cast<std::uint8_t>(d & 0xFF));
    } else {  // three bytes: a copy of 4-67 from 1-16384 back
      const std::size_t d = distance - 1;
      body.push_back(static_cast<std::uint8_t>(0x80 | (copy - 4)));
      body.push_back(static_cast<std::uint8_t>((literals << 6) | (d >> 8)));
      body.push_back(static_cast<std::uint8_t>(d & 0xFF));
    }
    for (std::size_t i = 0; i < literals; ++i)
      body.push_back(static_cast<std::uint8_t>(next_random(state)));
    produced += literals + copy;
  }
  body.push_back(0xFC);
  body[2] = static_cast<std::uint8_t>(produced >> 16);
  body[3] = static_cast<std::uint8_t>(produced >> 8);
  body[4] = static_cast<std::uint8_t>(produced);
  return body;
}

CarFiles large_car() {
  constexpr int kTextures = 18;
  GeoFile geo;
  for (int p = 0; p < kGeoPartCount; ++p)
    geo.parts[static_cast<std::size_t>(p)] = grid_part(p, kTextures);

  std::vector<ShpiPicture> pictures;
  ShpiPicture palette_picture;
  palette_picture.name = "!pal";
  palette_picture.type_byte0 = 0x2A;  // four bytes a colour
  palette_picture.width = 256;
  palette_picture.height = 1;
  palette_picture.pixels = palette();
  pictures.push_back(palette_picture);
  for (int t = 0; t < kTextures; ++t) {
    ShpiPicture texture;
    texture.name = {'t', static_cast<char>('0' + t / 10), static_cast<char>('0' + t % 10), '\0'};
    texture.width = kSide;
    texture.height = kSide;
    texture.pixels = picture(static_cast<std::uint32_t>(t), Grain::stray_shades);
    pictures.push_back(texture);
  }
  return {write_geo_file(geo), qfs_compress(write_shpi_archive(pictures))};
}

Bytes dense_fce(int stacks, int slices) {
  FceParts parts;
  FcePart& body = parts[0];
  const char name[] = "High Body";
  std::copy(std::begin(name), std::end(name), body.name.begin());
  for (int i = 0; i <= stacks; ++i) {
    const double theta = std::numbers::pi * i / stacks;
    for (int j = 0; j < slices; ++j) {
      const double phi = 2.0 * std::numbers::pi * j / slices;
      body.vertices.push_back({static_cast<float>(0.9 * std::sin(theta) * std::cos(phi)),
                               static_cast<float>(0.7 + 0.7 * std::cos(theta)),
                               static_cast<float>(2.2 * std::sin(theta) * std::sin(phi))});
    }
  }
  const auto at = [slices](int i, int j) { return i * slices + (j % slices); };
  for (int i = 0; i < stacks; ++i) {
    for (int j = 0; j < slices; ++j) {
      const float u0 = static_cast<float>(j) / static_cast<float>(slices);
      const float u1 = static_cast<float>(j + 1) / static_cast<float>(slices);
      const float v0 = static_cast<float>(i) / static_cast<float>(stacks);
      const float v1 = static_cast<float>(i + 1) / static_cast<float>(stacks);
      body.triangles.push_back(
          {{at(i, j), at(i + 1, j), at(i + 1, j + 1)}, 1, {u0, u0, u1}, {v0, v1, v1}});
      body.triangles.push_back(
          {{at(i + 1, j + 1), at(i, j + 1), at(i, j)}, 1, {u1, u1, u0}, {v1, v0, v0}});
    }
  }
  body.normals.resize(body.vertices.size());
  body.vertex_count = static_cast<std::int32_t>(body.vertices.size());
  body.triangle_count = static_cast<std::int32_t>(body.triangles.size());
  return test::reference_fce_image(parts, {body.vertex_count, body.triangle_count});
}

}  // namespace tromvex::bench
