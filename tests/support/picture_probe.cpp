// Reads tromvex-view's pictures back: where its views lie, and which part a pixel shows.
#include "support/picture_probe.hpp"

#include <algorithm>
#include <cmath>

#include "render/car_views.hpp"

namespace tromvex::test {

std::array<PixelRect, 4> view_cells(int width) {
  const int half = width / 2;
  const int quarter = width / 4;
  return {PixelRect{0, 0, half, quarter}, PixelRect{half, 0, half, quarter},
          PixelRect{0, quarter, half, quarter}, PixelRect{half, quarter, half, quarter}};
}

Rgb pixel_at(const RgbaPicture& picture, int x, int y) {
  const std::uint8_t* p = picture.pixels.data() + 4 * (picture.width * y + x);
  return {p[0], p[1], p[2]};
}

std::optional<std::size_t> part_shown(Rgb pixel, std::size_t parts) {
  const auto channels = [](Rgb c) {
    return std::array<double, 3>{static_cast<double>(c.red), static_cast<double>(c.green),
                                 static_cast<double>(c.blue)};
  };
  const std::array<double, 3> seen = channels(pixel);
  for (std::size_t n = 0; n < parts; ++n) {
    const std::array<double, 3> c = channels(part_colour(n));
    const double shade = (seen[0] * c[0] + seen[1] * c[1] + seen[2] * c[2]) /
                         (c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    if (shade < 0.3 || shade > 1.01) continue;
    double off = 0.0;
    for (std::size_t i = 0; i < 3; ++i) off = std::max(off, std::abs(seen[i] - shade * c[i]));
    if (off <= 2.0) return n;
  }
  return std::nullopt;
}

Spot spot_of(const RgbaPicture& picture, const PixelRect& rect, std::size_t part,
             std::size_t parts) {
  Spot spot;
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    for (int x = rect.x; x < rect.x + rect.width; ++x) {
      if (part_shown(pixel_at(picture, x, y), parts) != part) continue;
      spot.x += x;
      spot.y += y;
      ++spot.pixels;
    }
  }
  if (spot.pixels > 0) {
    spot.x /= spot.pixels;
    spot.y /= spot.pixels;
  }
  return spot;
}

}  // namespace tromvex::test
