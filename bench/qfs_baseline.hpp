// The QFS decoder before its command loop was rewritten, for same-run speed comparisons.
#pragma once

#include "common/bytes.hpp"

namespace tromvex::bench {

// Expands a whole QFS stream exactly as qfs_decompress did before; same results and messages.
Bytes qfs_decompress_baseline(Bytes input);

}  // namespace tromvex::bench
