// The layout of a QFS stream (RefPack): its header and the five command forms, shared by the
// decoder and the compressor. Constants only; nothing here throws.
// The layout is described in docs/formats.md, "RefPack (QFS) stream".
#pragma once

#include <cstddef>
#include <cstdint>

namespace tromvex::refpack {

// Header: 0x10 0xFB (0x11 0xFB for the long form, which has three more bytes that carry nothing
// we use), then the output length, 24-bit big-endian.
inline constexpr std::uint8_t kSignatureByte0 = 0x10;
inline constexpr std::uint8_t kSignatureByte1 = 0xFB;
inline constexpr std::uint8_t kLongHeaderBit = 0x01;  // in the first signature byte
inline constexpr std::size_t kSignatureSize = 2;
inline constexpr std::size_t kShortHeaderSize = 5;
inline constexpr std::size_t kLongHeaderSize = 8;

// Each command carries L literals, copied first, then (in the three copy forms) a copy of
// N + the form's minimum bytes from D + 1 bytes back, counted from after the literals.
// The first byte chooses the form:
//   short,   2 bytes, 0x00-0x7F: 0DDNNNLL DDDDDDDD                    (D bits 9-8 first)
//   medium,  3 bytes, 0x80-0xBF: 10NNNNNN LLDDDDDD DDDDDDDD
//   long,    4 bytes, 0xC0-0xDF: 110DNNLL DDDDDDDD DDDDDDDD NNNNNNNN  (D bit 16, N bits 9-8 first)
//   literal, 1 byte,  0xE0-0xFB: 111LLLLL, then (L + 1) * 4 literals
//   stop,    1 byte,  0xFC-0xFF: 111111LL, then L literals and the end of the stream
inline constexpr std::uint8_t kFirstMediumCommand = 0x80;
inline constexpr std::uint8_t kFirstLongCommand = 0xC0;
inline constexpr std::uint8_t kFirstLiteralCommand = 0xE0;
inline constexpr std::uint8_t kFirstStopCommand = 0xFC;

inline constexpr std::size_t kShortCommandSize = 2;
inline constexpr std::size_t kMediumCommandSize = 3;
inline constexpr std::size_t kLongCommandSize = 4;

// L of the short, long and stop forms: 0 to 3 literals, in the first byte.
inline constexpr unsigned kCarriedLiteralMask = 0x03;
// L of the medium form, in the top two bits of its second byte.
inline constexpr unsigned kMediumLiteralShift = 6;

// Short form: N in bits 4-2, D bits 9-8 in bits 6-5 of the first byte.
inline constexpr unsigned kShortLengthMask = 0x1C;
inline constexpr unsigned kShortLengthShift = 2;
inline constexpr unsigned kShortDistanceHighMask = 0x60;
inline constexpr unsigned kShortDistanceHighShift = 3;  // left, from bits 6-5 to bits 9-8
// Medium form: N in bits 5-0 of the first byte, D bits 13-8 in bits 5-0 of the second.
inline constexpr unsigned kMediumLengthMask = 0x3F;
inline constexpr unsigned kMediumDistanceHighMask = 0x3F;
// Long form: N bits 9-8 in bits 3-2 of the first byte, D bit 16 in its bit 4.
inline constexpr unsigned kLongLengthHighMask = 0x0C;
inline constexpr unsigned kLongLengthHighShift = 6;  // left, from bits 3-2 to bits 9-8
inline constexpr unsigned kLongDistanceHighMask = 0x10;
inline constexpr unsigned kLongDistanceHighShift = 12;  // left, from bit 4 to bit 16
// Literal form: L in bits 4-0.
inline constexpr unsigned kLiteralRunMask = 0x1F;

// What N and L count from.
inline constexpr std::size_t kShortMinCopy = 3;
inline constexpr std::size_t kMediumMinCopy = 4;
inline constexpr std::size_t kLongMinCopy = 5;
inline constexpr std::size_t kLiteralRunUnit = 4;  // a literal command carries (L + 1) units

// The longest copy and the farthest distance of each copy form.
inline constexpr std::size_t kShortMaxCopy = 10;
inline constexpr std::size_t kMediumMaxCopy = 67;
inline constexpr std::size_t kLongMaxCopy = 1028;
inline constexpr std::size_t kShortMaxDistance = 1024;
inline constexpr std::size_t kMediumMaxDistance = 16384;
inline constexpr std::size_t kLongMaxDistance = 131072;
inline constexpr std::size_t kMaxLiteralRun = 112;

}  // namespace tromvex::refpack
