// Expands a BTree-compressed stream (46 FB): a dictionary of byte values that stand for pairs
// of other values, and a body of bytes expanded through it.
#pragma once

#include <cstdint>
#include <span>

#include "common/bytes.hpp"

namespace tromvex {

// True when the stream's first two bytes are 46 FB. Throws nothing.
bool has_btree_magic(std::span<const std::uint8_t> stream);

// Expands a whole BTree stream. Returns a new buffer of exactly the output length its header
// gives (under 16 MiB, and never more than its body could make). Dictionary entries may refer to
// entries listed after them. Throws MalformedFile naming what is wrong and at which byte when
// the magic is not 46 FB, the header, dictionary or body ends early, an entry defines the escape
// byte or a value already defined, a pair holds the escape byte, the definitions form a cycle,
// an expansion or literal passes the output length, or the end marker comes before the output is
// full. Nothing is ever read or written out of bounds, and no input can make the expansion
// recurse; the bytes after the end marker are ignored.
Bytes btree_decompress(std::span<const std::uint8_t> stream);

}  // namespace tromvex
