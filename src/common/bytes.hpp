// Byte helpers shared by every reader and writer of file images: little-endian for the car
// files, big-endian for VIV archives. None of them checks bounds or throws: the caller has
// checked that the bytes lie in the buffer.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

namespace tromvex {

using Bytes = std::vector<std::uint8_t>;

// Reads four bytes at p as a 32-bit little-endian value; the caller has checked the bounds.
inline std::uint32_t read_u32_le(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads two bytes at p as a signed 16-bit little-endian value; the caller has checked the bounds.
inline std::int16_t read_s16_le(const std::uint8_t* p) {
  const auto raw = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  return static_cast<std::int16_t>(raw);
}

// Stores value little-endian at p; the caller has checked the bounds.
inline void write_u32_le(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
  p[2] = static_cast<std::uint8_t>(value >> 16);
  p[3] = static_cast<std::uint8_t>(value >> 24);
}

// Stores value little-endian at p, as its two's-complement bit pattern.
inline void write_s32_le(std::uint8_t* p, std::int32_t value) {
  write_u32_le(p, static_cast<std::uint32_t>(value));
}

// Floats are stored as their IEEE 754 single-precision bit pattern.
inline void write_f32_le(std::uint8_t* p, float value) {
  write_u32_le(p, std::bit_cast<std::uint32_t>(value));
}

// Reads four bytes at p as a 32-bit big-endian value; the caller has checked the bounds.
inline std::uint32_t read_u32_be(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

// Stores value big-endian at p; the caller has checked the bounds.
inline void write_u32_be(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value >> 24);
  p[1] = static_cast<std::uint8_t>(value >> 16);
  p[2] = static_cast<std::uint8_t>(value >> 8);
  p[3] = static_cast<std::uint8_t>(value);
}

}  // namespace tromvex
