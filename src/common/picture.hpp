// A picture of RGBA pixels, as the texture reader makes it and the renderer draws into it.
#pragma once

#include <cstdint>
#include <vector>

namespace tromvex {

// width x height pixels, 4 bytes each (red, green, blue, alpha), row by row from the top of
// the picture as it is shown.
struct RgbaPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;
};

}  // namespace tromvex
