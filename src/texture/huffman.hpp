// Expands a Huffman-compressed stream (30 FB to 35 FB, B0 FB to B5 FB): a canonical prefix code
// over byte values with an escape code for runs, explicit bytes and the end.
#pragma once

#include <cstdint>
#include <span>

#include "common/bytes.hpp"

namespace tromvex {

// True when the stream's first two bytes are a Huffman magic: 30-35 FB or B0-B5 FB. Throws
// nothing.
bool has_huffman_magic(std::span<const std::uint8_t> stream);

// Expands a whole Huffman stream. Returns a new buffer of exactly the output length its header
// gives (at most 16 MiB, and never more than the stream's bits could make), with the running
// sum undone once for 32/33 FB and twice for 34/35 FB. Throws MalformedFile naming what is
// wrong and at which byte when the magic is not a Huffman one, the header or the bit stream
// ends early, the code table is impossible (a number with more than 15 leading zeros, more
// than 256 symbols, more codes than fit, no complete code of at most 15 bits, a skip past the
// unlisted values, no code for the escape byte), a run comes before any output, a byte or run
// passes the output length, or the end code comes before the output is full. Nothing is ever
// read or written out of bounds; the bytes after the end code are ignored.
Bytes huffman_decompress(std::span<const std::uint8_t> stream);

}  // namespace tromvex
