// Plain reference decoders of the texture compressions, one byte or one bit at a time, that the
// tests, the fuzz targets and the benchmarks compare the fast decoders with.
#pragma once

#include <cstdint>
#include <span>

#include "common/bytes.hpp"

namespace tromvex::test {

// Each expands a whole stream as plainly as possible, with every bound checked where it is used.
// Returns false for a stream the decoder must refuse; with out null it only checks, so that a
// refused stream costs no output buffer. Bytes of out never written stay zero.

// A QFS (RefPack) stream, 10 FB or 11 FB.
bool reference_qfs_expand(std::span<const std::uint8_t> in, Bytes* out);

// A Huffman stream, 30-35 FB or B0-B5 FB: reads one bit at a time and finds each code by
// comparing it with the codes of each length in turn.
bool reference_huffman_expand(std::span<const std::uint8_t> in, Bytes* out);

// The body of a BTree stream (46 FB) expanded through its dictionary with a stack of values still
// to expand. Checks only what the expansion itself needs: false where the header or dictionary
// is cut short, the output would pass its length or the body is not terminated as it must be.
bool reference_btree_expand(std::span<const std::uint8_t> in, Bytes* out);

}  // namespace tromvex::test
