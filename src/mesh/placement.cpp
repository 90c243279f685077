// First indices and wheel centring of the FCE parts.
#include "mesh/placement.hpp"

#include <stdexcept>

namespace tromvex {

FceTotals assign_first_indices(FceParts&) { throw std::logic_error("assign_first_indices: not built yet"); }
void centre_wheel_parts(FceParts&) { throw std::logic_error("centre_wheel_parts: not built yet"); }

}  // namespace tromvex
