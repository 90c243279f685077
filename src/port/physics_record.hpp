// Reads the NFS2(SE) performance record of a car (p<NAME>.DAT, 356 bytes): mass, engine,
// gearbox, brakes and grip.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tromvex {

// The record holds 31 fields, all little-endian, most of them signed 16.16 fixed point.
inline constexpr std::size_t kPhysicsRecordSize = 356;
// The per-gear tables have a slot for reverse, neutral and six forward gears, in that order.
inline constexpr std::size_t kPhysicsGearSlots = 8;
inline constexpr std::size_t kPhysicsFirstForwardSlot = 2;
// The torque curve holds one value every 256 rpm from 0 rpm.
inline constexpr std::size_t kPhysicsTorqueEntries = 41;
inline constexpr int kPhysicsTorqueStepRpm = 256;
// The gas and brake curves are eight bytes each.
inline constexpr std::size_t kPhysicsCurveLength = 8;

using GearTable = std::array<double, kPhysicsGearSlots>;
using PedalCurve = std::array<std::uint8_t, kPhysicsCurveLength>;

// A decoded record, each field at its offset in the file. Fixed-point fields hold raw / 65536
// exactly; the int32 fields and the curves hold the stored integers.
struct PhysicsRecord {
  double mass = 0;                    // 0x000, kg
  std::int32_t number_of_gears = 0;   // 0x004, reverse + neutral + forward
  std::int32_t gear_shift_delay = 0;  // 0x008, ticks
  GearTable velocity_to_rpm{};        // 0x00C, rpm per m/s; reverse negative, unused slots 0
  GearTable gear_efficiency{};        // 0x02C, torque multiplier per gear
  std::array<double, kPhysicsTorqueEntries> torque_curve{};  // 0x04C, N m at i * 256 rpm
  std::int32_t engine_redline = 0;                           // 0x0F0, rpm
  double maximum_velocity = 0;                               // 0x0F4, m/s
  double front_drive_ratio = 0;                              // 0x0F8, 0 rear ... 1 front
  double maximum_braking_deceleration = 0;                   // 0x0FC
  double front_bias_brake_ratio = 0;                         // 0x100
  PedalCurve gas_increasing_curve{};                         // 0x104
  PedalCurve gas_decreasing_curve{};                         // 0x10C
  PedalCurve brake_increasing_curve{};                       // 0x114
  PedalCurve brake_decreasing_curve{};                       // 0x11C
  double wheel_base = 0;                                     // 0x124, m
  double front_grip_bias = 0;                                // 0x128
  double steering_acceleration = 0;                          // 0x12C
  std::int32_t turn_in_ramp = 0;                             // 0x130
  std::int32_t turn_out_ramp = 0;                            // 0x134
  double lateral_acceleration_grip_multiplier = 0;           // 0x138
  double aerodynamic_downforce_multiplier = 0;               // 0x13C
  double gas_off_factor = 0;                                 // 0x140
  double g_transfer_factor = 0;                              // 0x144
  double slide_multiplier = 0;                               // 0x148
  double spin_velocity_cap = 0;                              // 0x14C
  double slide_velocity_cap = 0;                             // 0x150
  std::int32_t slide_assistance_factor = 0;                  // 0x154
  std::int32_t push_factor = 0;                              // 0x158
  double low_turn_factor = 0;                                // 0x15C
  double high_turn_factor = 0;                               // 0x160

  friend bool operator==(const PhysicsRecord&, const PhysicsRecord&) = default;
};

// The value of a signed 16.16 fixed-point field stored as raw: raw read as a signed 32-bit
// integer, divided by 65536 (exact in a double). Throws nothing.
double decode_fixed_16_16(std::uint32_t raw);

// Decodes a performance record image. Guards that every real record passes keep a car from
// driving on nonsense: 3 to 8 gears, each used forward gear's velocity-to-rpm ratio above 0,
// a redline of 1000 to 20000 rpm, a maximum velocity of 1 to 200 m/s, a mass of 100 to
// 20000 kg, and the front drive ratio, front bias brake ratio and front grip bias within 0 to
// 1 (all bounds included). Throws MalformedFile, naming the field and its value, for an image
// that is not 356 bytes long or a record outside a guard.
PhysicsRecord read_physics_record(std::span<const std::uint8_t> image);

}  // namespace tromvex
