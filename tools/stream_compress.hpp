// Packs bytes as Huffman (30-35 FB, B0-B5 FB) and BTree (46 FB) streams, the other schemes of
// the game's texture files; for tests, fuzz seeds and benchmarks.
#pragma once

#include <cstdint>
#include <span>

#include "common/bytes.hpp"

namespace tromvex {

// Returns a complete Huffman stream that unpacks to exactly data. magic_high is the first byte of
// the magic: 0x30 plain, 0x32 with a running sum, 0x34 with two; plus 0x01 for the extra 3-byte
// (or 4-byte) field, which holds the stream's own size, and 0x80 for 4-byte size fields.
// Repeats of three or more bytes become runs; the escape byte is the rarest value, and its own
// occurrences become explicit bytes. Codes are canonical Huffman codes of at most 15 bits.
// Throws std::invalid_argument for another magic, std::length_error past 16777215 bytes.
Bytes huffman_compress(std::span<const std::uint8_t> data, std::uint8_t magic_high = 0x30);

// Writes the bit stream of a Huffman stream, most significant bit first, for the packer and
// for tests that write streams by hand. Throws std::bad_alloc only.
class HuffmanBitWriter {
 public:
  // The low `bits` bits of value, highest first.
  void put(std::uint32_t value, unsigned bits);
  void put_bit(unsigned bit);
  // A number as the format writes counts, skips and runs: z zero bits, a one bit, then z + 2
  // bits v; the number is v + 2^(z+2) - 4, with the fewest zeros that reach it.
  void put_number(std::uint32_t number);
  // As put_number, but with `zeros` leading zero bits whatever the number (a test's way to
  // write a number with more zeros than it needs, or than the format allows).
  void put_number_with_zeros(std::uint32_t number, unsigned zeros);
  // The bytes so far; the last one's unused low bits are zero.
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  unsigned used_ = 0;  // bits used in the last byte
};

enum class DictionaryOrder {
  defined_first,  // each entry refers only to entries listed before it
  defined_last,   // the same entries in reverse: entries refer to later ones
};

// Returns a complete 46 FB BTree stream that unpacks to exactly data: byte values the data does
// not use stand for its most frequent pairs, as long as a pair occurs three times or more. Values
// that are defined or the escape byte are written through the escape. Throws std::length_error
// past 16777215 bytes.
Bytes btree_compress(std::span<const std::uint8_t> data,
                     DictionaryOrder order = DictionaryOrder::defined_first);

}  // namespace tromvex
