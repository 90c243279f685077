// Writes NFS2 performance records (356 bytes) from field values given in code: the tests'
// inputs, the fuzz seeds and the made-up cars of the sample installs.
#pragma once

#include <cstdint>

#include "common/bytes.hpp"
#include "port/physics_record.hpp"

namespace tromvex {

// The signed 16.16 fixed-point raw value nearest to value (halves away from zero), as its
// 32-bit pattern. Throws std::invalid_argument for a value outside what 16.16 holds (-32768 to
// just below 32768).
std::uint32_t encode_fixed_16_16(double value);

// The 356-byte image of record, every field at its offset: fixed-point fields as the nearest
// raw value, integers and curves as given, whether or not the reader's guards pass. Throws
// std::invalid_argument as encode_fixed_16_16.
Bytes write_physics_record(const PhysicsRecord& record);

// A made-up record of a rear-driven car with six gears (four forward) that passes every guard;
// every fixed-point value is a multiple of 1/65536, so it writes and reads back unchanged.
// Nothing in it comes from a game. Throws nothing.
PhysicsRecord made_up_physics_record();

}  // namespace tromvex
