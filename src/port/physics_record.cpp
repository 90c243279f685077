// Reads the NFS2(SE) performance record of a car.
#include "port/physics_record.hpp"

#include <cassert>
#include <string>

#include "common/byte_reader.hpp"
#include "common/malformed_file.hpp"
#include "port/decimal_text.hpp"

namespace tromvex {
namespace {

constexpr double kFixedOne = 65536.0;

// The bounds every real record keeps, all included.
constexpr std::int32_t kFewestGears = 3;
constexpr std::int32_t kMostGears = static_cast<std::int32_t>(kPhysicsGearSlots);
constexpr std::int32_t kLowestRedline = 1000;
constexpr std::int32_t kHighestRedline = 20000;
constexpr double kLowestMaximumVelocity = 1;
constexpr double kHighestMaximumVelocity = 200;
constexpr double kLowestMass = 100;
constexpr double kHighestMass = 20000;

const std::string kSubject = "the performance record";

double fixed(ByteReader& reader) { return decode_fixed_16_16(reader.u32()); }

template <std::size_t N>
void read_fixed(ByteReader& reader, std::array<double, N>& values) {
  for (double& value : values) value = fixed(reader);
}

void read_curve(ByteReader& reader, PedalCurve& curve) {
  for (std::uint8_t& value : curve) value = reader.u8();
}

// A value and its bounds as a message shows them: fixed point with six decimals, bounds and
// integers plainly.
std::string shown(double value) { return format_fixed6(value); }
std::string shown(std::int32_t value) { return std::to_string(value); }

template <typename Value>
void guard(const char* field, Value value, Value lowest, Value highest, const char* unit) {
  if (value >= lowest && value <= highest) return;
  const auto bound = [](Value b) { return std::to_string(static_cast<long long>(b)); };
  throw MalformedFile(kSubject + "'s " + field + " is " + shown(value) + unit + "; it must be " +
                      bound(lowest) + " to " + bound(highest) + unit);
}

// A car drives off in a forward gear only if that gear turns the engine as the car moves.
void guard_forward_ratios(const PhysicsRecord& record) {
  const auto forward_end = static_cast<std::size_t>(record.number_of_gears);
  for (std::size_t slot = kPhysicsFirstForwardSlot; slot < forward_end; ++slot) {
    const double ratio = record.velocity_to_rpm[slot];
    if (ratio > 0) continue;
    throw MalformedFile(kSubject + "'s velocity-to-rpm ratio of gear " +
                        std::to_string(slot - kPhysicsFirstForwardSlot + 1) + " is " +
                        shown(ratio) + "; each of its " +
                        std::to_string(forward_end - kPhysicsFirstForwardSlot) +
                        " forward gears must have one above 0");
  }
}

void guard_record(const PhysicsRecord& record) {
  guard("mass", record.mass, kLowestMass, kHighestMass, " kg");
  guard("number of gears", record.number_of_gears, kFewestGears, kMostGears, "");
  guard_forward_ratios(record);
  guard("engine redline", record.engine_redline, kLowestRedline, kHighestRedline, " rpm");
  guard("maximum velocity", record.maximum_velocity, kLowestMaximumVelocity,
        kHighestMaximumVelocity, " m/s");
  guard("front drive ratio", record.front_drive_ratio, 0.0, 1.0, "");
  guard("front bias brake ratio", record.front_bias_brake_ratio, 0.0, 1.0, "");
  guard("front grip bias", record.front_grip_bias, 0.0, 1.0, "");
}

}  // namespace

double decode_fixed_16_16(std::uint32_t raw) {
  return static_cast<double>(static_cast<std::int32_t>(raw)) / kFixedOne;
}

PhysicsRecord read_physics_record(std::span<const std::uint8_t> image) {
  if (image.size() != kPhysicsRecordSize) {
    throw MalformedFile(kSubject + " is " + std::to_string(image.size()) +
                        " bytes long; it must be " + std::to_string(kPhysicsRecordSize));
  }
  ByteReader reader(image, kSubject);
  PhysicsRecord record;
  record.mass = fixed(reader);
  record.number_of_gears = reader.s32();
  record.gear_shift_delay = reader.s32();
  read_fixed(reader, record.velocity_to_rpm);
  read_fixed(reader, record.gear_efficiency);
  read_fixed(reader, record.torque_curve);
  record.engine_redline = reader.s32();
  record.maximum_velocity = fixed(reader);
  record.front_drive_ratio = fixed(reader);
  record.maximum_braking_deceleration = fixed(reader);
  record.front_bias_brake_ratio = fixed(reader);
  read_curve(reader, record.gas_increasing_curve);
  read_curve(reader, record.gas_decreasing_curve);
  read_curve(reader, record.brake_increasing_curve);
  read_curve(reader, record.brake_decreasing_curve);
  record.wheel_base = fixed(reader);
  record.front_grip_bias = fixed(reader);
  record.steering_acceleration = fixed(reader);
  record.turn_in_ramp = reader.s32();
  record.turn_out_ramp = reader.s32();
  record.lateral_acceleration_grip_multiplier = fixed(reader);
  record.aerodynamic_downforce_multiplier = fixed(reader);
  record.gas_off_factor = fixed(reader);
  record.g_transfer_factor = fixed(reader);
  record.slide_multiplier = fixed(reader);
  record.spin_velocity_cap = fixed(reader);
  record.slide_velocity_cap = fixed(reader);
  record.slide_assistance_factor = reader.s32();
  record.push_factor = reader.s32();
  record.low_turn_factor = fixed(reader);
  record.high_turn_factor = fixed(reader);
  assert(reader.remaining() == 0);  // the fields above fill the record exactly
  guard_record(record);
  return record;
}

}  // namespace tromvex
