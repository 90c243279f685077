// Gathers GEO parts into FCE parts.
#include "mesh/fce_parts.hpp"

#include <stdexcept>

namespace tromvex {

FceParts assemble_fce_parts(std::span<const GeoPart>, std::int32_t) {
  throw std::logic_error("assemble_fce_parts: not built yet");
}

}  // namespace tromvex
