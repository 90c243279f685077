// Expands a QFS-compressed stream (an LZ77-style run of literals and back-references).
#pragma once

#include <cstdint>
#include <span>

#include "common/bytes.hpp"

namespace tromvex {

// Expands a whole QFS stream. Takes the input by value: it is consumed and released before
// the call returns, whatever the outcome. Returns a new buffer of exactly the output length
// that the stream's header gives (at most 16 MiB); a stream that reaches its stop command
// short of that length leaves the bytes it never wrote zero.
// Throws MalformedFile when the signature is not 0x10 0xFB or 0x11 0xFB, when a command or
// its literals lie past the end of the input, when a literal run or a copy would pass the
// output length, when a copy reaches before the start of the output, or when the input ends,
// with no stop command, before the whole output is produced. Nothing is ever read or written
// out of bounds.
Bytes qfs_decompress(Bytes input);

}  // namespace tromvex
