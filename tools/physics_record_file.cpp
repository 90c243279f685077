// Writes NFS2 performance records from field values given in code.
#include "tools/physics_record_file.hpp"

#include <cmath>
#include <span>
#include <stdexcept>

namespace tromvex {
namespace {

constexpr double kFixedOne = 65536.0;

void put_u32(Bytes& out, std::uint32_t value) {
  out.resize(out.size() + 4);
  write_u32_le(out.data() + out.size() - 4, value);
}

void put_s32(Bytes& out, std::int32_t value) { put_u32(out, static_cast<std::uint32_t>(value)); }

void put_fixed(Bytes& out, double value) { put_u32(out, encode_fixed_16_16(value)); }

void put_fixed(Bytes& out, std::span<const double> values) {
  for (const double value : values) put_fixed(out, value);
}

void put_curve(Bytes& out, const PedalCurve& curve) {
  out.insert(out.end(), curve.begin(), curve.end());
}

}  // namespace

std::uint32_t encode_fixed_16_16(double value) {
  const double raw = std::round(value * kFixedOne);
  if (!(raw >= -2147483648.0 && raw <= 2147483647.0)) {
    throw std::invalid_argument("a 16.16 fixed-point value holds -32768 to below 32768");
  }
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(raw));
}

Bytes write_physics_record(const PhysicsRecord& r) {
  Bytes out;
  put_fixed(out, r.mass);
  put_s32(out, r.number_of_gears);
  put_s32(out, r.gear_shift_delay);
  put_fixed(out, r.velocity_to_rpm);
  put_fixed(out, r.gear_efficiency);
  put_fixed(out, r.torque_curve);
  put_s32(out, r.engine_redline);
  for (const double value : {r.maximum_velocity, r.front_drive_ratio,
                             r.maximum_braking_deceleration, r.front_bias_brake_ratio}) {
    put_fixed(out, value);
  }
  for (const PedalCurve* curve : {&r.gas_increasing_curve, &r.gas_decreasing_curve,
                                  &r.brake_increasing_curve, &r.brake_decreasing_curve}) {
    put_curve(out, *curve);
  }
  for (const double value : {r.wheel_base, r.front_grip_bias, r.steering_acceleration}) {
    put_fixed(out, value);
  }
  put_s32(out, r.turn_in_ramp);
  put_s32(out, r.turn_out_ramp);
  for (const double value :
       {r.lateral_acceleration_grip_multiplier, r.aerodynamic_downforce_multiplier,
        r.gas_off_factor, r.g_transfer_factor, r.slide_multiplier, r.spin_velocity_cap,
        r.slide_velocity_cap}) {
    put_fixed(out, value);
  }
  put_s32(out, r.slide_assistance_factor);
  put_s32(out, r.push_factor);
  put_fixed(out, r.low_turn_factor);
  put_fixed(out, r.high_turn_factor);
  return out;
}

PhysicsRecord made_up_physics_record() {
  PhysicsRecord r;
  r.mass = 1250.5;
  r.number_of_gears = 6;
  r.gear_shift_delay = 5;
  // Top gear at the maximum velocity reaches the redline: 90 * 80 = 7200.
  r.velocity_to_rpm = {-250.0, 0.0, 240.0, 165.5, 120.25, 90.0, 0.0, 0.0};
  r.gear_efficiency = {0.75, 0.0, 0.875, 0.8125, 0.75, 0.6875, 0.0, 0.0};
  // Rises by 10 N m a step to 400 at 5120 rpm, then falls by 8 a step.
  for (std::size_t i = 0; i < r.torque_curve.size(); ++i) {
    r.torque_curve[i] =
        i <= 20 ? 200.0 + 10.0 * static_cast<double>(i) : 400.0 - 8.0 * static_cast<double>(i - 20);
  }
  r.engine_redline = 7200;
  r.maximum_velocity = 80.0;
  r.front_drive_ratio = 0.0;
  r.maximum_braking_deceleration = 12.5;
  r.front_bias_brake_ratio = 0.625;
  r.gas_increasing_curve = {0, 40, 80, 120, 160, 200, 240, 255};
  r.gas_decreasing_curve = {255, 192, 128, 64, 32, 16, 8, 0};
  r.brake_increasing_curve = {0, 64, 128, 192, 255, 255, 255, 255};
  r.brake_decreasing_curve = {255, 128, 64, 0, 0, 0, 0, 0};
  r.wheel_base = 2.5;
  r.front_grip_bias = 0.484375;
  r.steering_acceleration = 18.5;
  r.turn_in_ramp = 14;
  r.turn_out_ramp = 30;
  r.lateral_acceleration_grip_multiplier = 3.25;
  r.aerodynamic_downforce_multiplier = 0.001953125;
  r.gas_off_factor = 0.3125;
  r.g_transfer_factor = 0.5;
  r.slide_multiplier = 1.0;
  r.spin_velocity_cap = 0.34375;
  r.slide_velocity_cap = 0.375;
  r.slide_assistance_factor = 150;
  r.push_factor = 10000;
  r.low_turn_factor = 0.015625;
  r.high_turn_factor = 0.03125;
  return r;
}

}  // namespace tromvex
