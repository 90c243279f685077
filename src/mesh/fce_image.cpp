// Builds the FCE file image.
#include "mesh/fce_image.hpp"

#include <stdexcept>

namespace tromvex {

Bytes build_fce_image(const FceParts&, FceTotals) { throw std::logic_error("build_fce_image: not built yet"); }

}  // namespace tromvex
