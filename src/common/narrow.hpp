// Narrowing of values that the caller knows to fit.
#pragma once

#include <cassert>
#include <cstdint>
#include <limits>

namespace tromvex {

// Returns value as a 32-bit integer. Asserts that it fits (a sum of counts that the readers
// have bounded); throws nothing.
inline std::int32_t to_int32(std::int64_t value) {
  assert(value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(value);
}

}  // namespace tromvex
