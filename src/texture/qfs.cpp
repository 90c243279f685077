// Expands a QFS-compressed stream.
#include "texture/qfs.hpp"

#include <stdexcept>

namespace tromvex {

bool is_shpi_archive(std::span<const std::uint8_t> image) {
  return image.size() >= 4 && image[0] == 'S' && image[1] == 'H' && image[2] == 'P' &&
         image[3] == 'I';
}

Bytes qfs_decompress(Bytes) { throw std::logic_error("qfs_decompress: not built yet"); }

}  // namespace tromvex
