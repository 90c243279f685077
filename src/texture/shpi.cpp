// Reads the directory of an SHPI texture archive.
#include "texture/shpi.hpp"

#include <stdexcept>

namespace tromvex {

std::vector<TextureRecord> read_shpi_directory(std::span<const std::uint8_t>) {
  throw std::logic_error("read_shpi_directory: not built yet");
}

}  // namespace tromvex
