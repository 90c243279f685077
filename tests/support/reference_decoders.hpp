// Plain reference decoders of the texture compressions, one byte or one bit at a time, that the
// tests, the fuzz targets and the benchmarks compare the fast decoders with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.hpp"

namespace tromvex::test {

// Each expands a whole stream as plainly as possible, with every bound checked where it is used.
// Returns false for a stream the decoder must refuse; with out null it only checks, so that a
// refused stream costs no output buffer. Bytes of out never written stay zero.

// A QFS (RefPack) stream, 10 FB or 11 FB.
bool reference_qfs_expand(std::span<const std::uint8_t> in, Bytes* out);

// One QFS command, as its first byte lays it out.
enum class QfsCommandKind { short_copy, medium_copy, long_copy, literal_run, stop };
struct QfsCommand {
  QfsCommandKind kind = QfsCommandKind::stop;
  std::size_t size = 1;      // its own bytes
  std::size_t literals = 0;  // the literal bytes that follow them
  std::size_t length = 0;    // the bytes then copied from earlier output (0: no copy)
  std::size_t distance = 0;  // how far back the copy starts
};

// The command that starts at stream[at]; bytes past the stream's end read as 0.
QfsCommand reference_qfs_command(std::span<const std::uint8_t> stream, std::size_t at);

// A Huffman stream, 30-35 FB or B0-B5 FB: reads one bit at a time and finds each code by
// comparing it with the codes of each length in turn.
bool reference_huffman_expand(std::span<const std::uint8_t> in, Bytes* out);

// The body of a BTree stream (46 FB) expanded through its dictionary with a stack of values still
// to expand. Checks only what the expansion itself needs: false where the header or dictionary
// is cut short, the output would pass its length or the body is not terminated as it must be.
bool reference_btree_expand(std::span<const std::uint8_t> in, Bytes* out);

}  // namespace tromvex::test
