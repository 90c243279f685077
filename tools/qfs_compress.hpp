// Compresses bytes into a QFS stream, the LZ77-style format of NFS2(SE) texture files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.hpp"

namespace tromvex {

// The largest input a QFS header can describe: its output length is an unsigned 24-bit field.
inline constexpr std::size_t kQfsMaxLength = 0xFFFFFF;

// Returns a complete QFS stream (signature 0x10 0xFB, the 24-bit big-endian length, the
// commands, a stop command) that expands to exactly data. Matches are found greedily with
// one step of lookahead over a hash chain reaching 131072 bytes back; each match is written
// with the shortest command that can carry it. The same input always gives the same stream.
// Throws std::length_error when data is longer than kQfsMaxLength bytes.
Bytes qfs_compress(std::span<const std::uint8_t> data);

}  // namespace tromvex
