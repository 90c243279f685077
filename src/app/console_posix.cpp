// Reads one key from the controlling terminal (POSIX).
#include <cstdio>

#include "app/platform.hpp"

namespace tromvex {

// Placeholder until the terminal read lands: flushes and returns at once, as with no terminal.
int wait_for_key() {
  std::fflush(stdout);
  return 0;
}

}  // namespace tromvex
