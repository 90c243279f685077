// The byte layout of an NFS3 FCE mesh file: one name for each header field, slot table and
// block, shared by everything that writes, reads or finishes an FCE image.
// The layout is described in docs/formats.md, "FCE mesh file".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tromvex {

// The header is 7940 bytes; the data blocks follow it, and their offset fields count from
// its end. Every field is a little-endian 32-bit word.
inline constexpr std::size_t kFceHeaderSize = 7940;
inline constexpr std::size_t kFceWordSize = 4;

// Header fields.
inline constexpr std::size_t kFceTriangleTotalOffset = 4;
inline constexpr std::size_t kFceVertexTotalOffset = 8;
inline constexpr std::size_t kFceFirstOneWordOffset = 12;  // tromvex writes 1 here
inline constexpr std::size_t kFceVertexBlockFieldOffset = 16;
inline constexpr std::size_t kFceNormalBlockFieldOffset = 20;
inline constexpr std::size_t kFceTriangleBlockFieldOffset = 24;
inline constexpr std::size_t kFceFirstZeroBlockFieldOffset = 28;
inline constexpr std::size_t kFceSecondZeroBlockFieldOffset = 32;
inline constexpr std::size_t kFceThirdZeroBlockFieldOffset = 36;
// The car's half sizes in x, y and z: three floats.
inline constexpr std::size_t kFceHalfSizesOffset = 40;
inline constexpr std::size_t kFcePartCountOffset = 248;
inline constexpr std::size_t kFceSecondOneWordOffset = 2044;  // tromvex writes 1 here

// The per-part tables: 64 slots each, part i in slot i.
inline constexpr std::size_t kFceSlotCount = 64;
inline constexpr std::size_t kFcePositionsOffset = 252;  // x, y, z floats a slot
inline constexpr std::size_t kFcePositionSlotSize = 12;
inline constexpr std::size_t kFceFirstVerticesOffset = 1020;  // one word a slot, as the next three
inline constexpr std::size_t kFceVertexCountsOffset = 1276;
inline constexpr std::size_t kFceFirstTrianglesOffset = 1532;
inline constexpr std::size_t kFceTriangleCountsOffset = 1788;
inline constexpr std::size_t kFceNamesOffset = 3588;  // the name's bytes, zero-padded
inline constexpr std::size_t kFceNameSlotSize = 64;
static_assert(kFceNamesOffset + kFceSlotCount * kFceNameSlotSize <= kFceHeaderSize);

// The half sizes tromvex writes for every car, as float bit patterns (1.18325889, 0.668848336,
// 2.40644169).
inline constexpr std::array<std::uint32_t, 3> kFceFixedHalfSizePatterns{0x3F977507, 0x3F2B39A5,
                                                                        0x401A0324};

// Bytes per vertex or triangle in each data block, in the order the blocks follow one another
// in a file tromvex writes: vertices, normals, triangles, then three blocks tromvex leaves zero.
inline constexpr std::size_t kFceVertexSize = 12;  // x, y, z floats
inline constexpr std::size_t kFceNormalSize = 12;  // x, y, z floats
inline constexpr std::size_t kFceTriangleRecordSize = 56;
inline constexpr std::size_t kFceFirstZeroBlockVertexSize = 32;
inline constexpr std::size_t kFceSecondZeroBlockVertexSize = 12;
inline constexpr std::size_t kFceThirdZeroBlockVertexSize = 12;
inline constexpr std::size_t kFceBytesPerVertex =
    kFceVertexSize + kFceNormalSize + kFceFirstZeroBlockVertexSize + kFceSecondZeroBlockVertexSize +
    kFceThirdZeroBlockVertexSize;
static_assert(kFceBytesPerVertex == 80);

// One data block: the header word that gives its offset (counted from the header's end), the
// bytes of each of its records (one a vertex, or one a triangle) and its name in messages
// ("the <name> block of the FCE file").
struct FceBlock {
  std::size_t field_offset;
  std::size_t record_size;
  const char* name;
};
inline constexpr FceBlock kFceVertexBlock{kFceVertexBlockFieldOffset, kFceVertexSize, "vertex"};
inline constexpr FceBlock kFceNormalBlock{kFceNormalBlockFieldOffset, kFceNormalSize, "normal"};
inline constexpr FceBlock kFceTriangleBlock{kFceTriangleBlockFieldOffset, kFceTriangleRecordSize,
                                            "triangle"};
// The three blocks of a record a vertex that tromvex leaves zero and reads nothing from.
inline constexpr std::array<FceBlock, 3> kFceZeroBlocks{
    {{kFceFirstZeroBlockFieldOffset, kFceFirstZeroBlockVertexSize, "fourth"},
     {kFceSecondZeroBlockFieldOffset, kFceSecondZeroBlockVertexSize, "fifth"},
     {kFceThirdZeroBlockFieldOffset, kFceThirdZeroBlockVertexSize, "sixth"}}};

// A triangle record: a zero word, three vertex indices, three fill words, the flags, then
// three u and three v floats.
inline constexpr std::size_t kFceTriangleIndicesOffset = 4;
inline constexpr std::size_t kFceTriangleFillWordsOffset = 16;
inline constexpr std::size_t kFceTriangleFlagsOffset = 28;
inline constexpr std::size_t kFceTriangleUOffset = 32;
inline constexpr std::size_t kFceTriangleVOffset = 44;
inline constexpr std::uint32_t kFceTriangleFillWord = 0xFF00FF00;
inline constexpr std::size_t kFceTriangleFillWordCount = 3;
static_assert(kFceTriangleVOffset + 3 * kFceWordSize == kFceTriangleRecordSize);

}  // namespace tromvex
