// Tests of the NFS2 performance record reader: fixed point, field offsets and the guards.
#include "port/physics_record.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/bytes.hpp"
#include "port/decimal_text.hpp"
#include "support/rejection.hpp"
#include "tools/physics_record_file.hpp"

namespace tromvex {
namespace {

using test::rejection_of;

// 32-bit values stored little-endian at byte offsets of the record.
using Pokes = std::vector<std::pair<std::size_t, std::uint32_t>>;

Bytes made_up_image(const Pokes& pokes = {}) {
  Bytes image = write_physics_record(made_up_physics_record());
  for (const auto& [offset, raw] : pokes) write_u32_le(image.data() + offset, raw);
  return image;
}

TEST(DecodeFixed16_16, DividesTheSignedRawValueBy65536) {
  const std::vector<std::pair<std::uint32_t, double>> cases{
      {0x00000000, 0.0},
      {0x00010000, 1.0},
      {0xFFFF0000, -1.0},
      {0xFFFFFFFF, -0.0000152587890625},  // -1 / 65536, not 65535.99998
      {0x80000000, -32768.0},
      {0x7FFFFFFF, 32767.9999847412109375},
      {0x00001999, 0.0999908447265625},
      {0x0548B333, 1352.6999969482421875},
      {0x00027333, 2.4499969482421875},  // not "2." and the digits of 0x7333
  };
  for (const auto& [raw, value] : cases) EXPECT_EQ(decode_fixed_16_16(raw), value) << raw;
  EXPECT_EQ(format_fixed6(decode_fixed_16_16(0x0548B333)), "1352.699997");
  EXPECT_EQ(format_fixed6(decode_fixed_16_16(0x00027333)), "2.449997");
}

// Each field against the bytes at its offset, read plainly: 16.16 fixed point, 32-bit
// integers (kept as stored) and bytes. The made-up record's fields all differ from their
// neighbours'; and the reader reads back what the writer wrote.
TEST(ReadPhysicsRecord, ReadsEachFieldAtItsOffset) {
  const Bytes image = made_up_image();
  const PhysicsRecord r = read_physics_record(image);
  EXPECT_EQ(r, made_up_physics_record());
  const auto integer = [&](std::size_t at) {
    return static_cast<std::int32_t>(read_u32_le(image.data() + at));
  };
  const auto fixed = [&](std::size_t at) { return integer(at) / 65536.0; };
  EXPECT_EQ(r.mass, fixed(0x000));
  EXPECT_EQ(r.number_of_gears, integer(0x004));
  EXPECT_EQ(r.gear_shift_delay, integer(0x008));
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(r.velocity_to_rpm[i], fixed(0x00C + 4 * i)) << i;
    EXPECT_EQ(r.gear_efficiency[i], fixed(0x02C + 4 * i)) << i;
    EXPECT_EQ(r.gas_increasing_curve[i], image[0x104 + i]) << i;
    EXPECT_EQ(r.gas_decreasing_curve[i], image[0x10C + i]) << i;
    EXPECT_EQ(r.brake_increasing_curve[i], image[0x114 + i]) << i;
    EXPECT_EQ(r.brake_decreasing_curve[i], image[0x11C + i]) << i;
  }
  for (std::size_t i = 0; i < 41; ++i) EXPECT_EQ(r.torque_curve[i], fixed(0x04C + 4 * i)) << i;
  EXPECT_EQ(r.engine_redline, integer(0x0F0));
  EXPECT_EQ(r.maximum_velocity, fixed(0x0F4));
  EXPECT_EQ(r.front_drive_ratio, fixed(0x0F8));
  EXPECT_EQ(r.maximum_braking_deceleration, fixed(0x0FC));
  EXPECT_EQ(r.front_bias_brake_ratio, fixed(0x100));
  EXPECT_EQ(r.wheel_base, fixed(0x124));
  EXPECT_EQ(r.front_grip_bias, fixed(0x128));
  EXPECT_EQ(r.steering_acceleration, fixed(0x12C));
  EXPECT_EQ(r.turn_in_ramp, integer(0x130));
  EXPECT_EQ(r.turn_out_ramp, integer(0x134));
  EXPECT_EQ(r.lateral_acceleration_grip_multiplier, fixed(0x138));
  EXPECT_EQ(r.aerodynamic_downforce_multiplier, fixed(0x13C));
  EXPECT_EQ(r.gas_off_factor, fixed(0x140));
  EXPECT_EQ(r.g_transfer_factor, fixed(0x144));
  EXPECT_EQ(r.slide_multiplier, fixed(0x148));
  EXPECT_EQ(r.spin_velocity_cap, fixed(0x14C));
  EXPECT_EQ(r.slide_velocity_cap, fixed(0x150));
  EXPECT_EQ(r.slide_assistance_factor, integer(0x154));
  EXPECT_EQ(r.push_factor, integer(0x158));
  EXPECT_EQ(r.low_turn_factor, fixed(0x15C));
  EXPECT_EQ(r.high_turn_factor, fixed(0x160));
}

// Each guard just inside its bounds, and just outside with the message naming the field; a
// record of another size.
TEST(ReadPhysicsRecord, GuardsRefuseJustOutsideTheirBounds) {
  constexpr std::uint32_t kOne = 0x10000;
  constexpr std::uint32_t kAboveOne = 0x10001;
  constexpr std::uint32_t kBelowZero = 0xFFFFFFFF;
  const std::string of = "the performance record's ";
  struct Case {
    Pokes pokes;
    std::optional<std::string> refusal;
  };
  const std::vector<Case> cases{
      {{{0x000, 100 * kOne}}, {}},
      {{{0x000, 100 * kOne - 1}}, of + "mass is 99.999985 kg; it must be 100 to 20000 kg"},
      {{{0x000, 20000 * kOne}}, {}},
      {{{0x000, 20000 * kOne + 1}}, of + "mass is 20000.000015 kg; it must be 100 to 20000 kg"},
      {{{0x004, 3}}, {}},
      {{{0x004, 2}}, of + "number of gears is 2; it must be 3 to 8"},
      {{{0x004, 8}, {0x024, kOne}, {0x028, 1}}, {}},  // gears 5 and 6 in use
      {{{0x004, 8}, {0x024, kOne}},
       of + "velocity-to-rpm ratio of gear 6 is 0.000000; each of its 6 forward gears must have "
            "one above 0"},
      {{{0x004, 9}}, of + "number of gears is 9; it must be 3 to 8"},
      {{{0x004, 0xFFFFFFFF}}, of + "number of gears is -1; it must be 3 to 8"},
      {{{0x014, 1}}, {}},
      {{{0x014, kBelowZero}},
       of + "velocity-to-rpm ratio of gear 1 is -0.000015; each of its 4 forward gears must have "
            "one above 0"},
      {{{0x0F0, 1000}}, {}},
      {{{0x0F0, 999}}, of + "engine redline is 999 rpm; it must be 1000 to 20000 rpm"},
      {{{0x0F0, 20000}}, {}},
      {{{0x0F0, 20001}}, of + "engine redline is 20001 rpm; it must be 1000 to 20000 rpm"},
      {{{0x0F4, kOne}}, {}},
      {{{0x0F4, kOne - 1}}, of + "maximum velocity is 0.999985 m/s; it must be 1 to 200 m/s"},
      {{{0x0F4, 200 * kOne}}, {}},
      {{{0x0F4, 200 * kOne + 1}},
       of + "maximum velocity is 200.000015 m/s; it must be 1 to 200 m/s"},
      {{{0x0F8, 0}, {0x100, 0}, {0x128, 0}}, {}},
      {{{0x0F8, kOne}, {0x100, kOne}, {0x128, kOne}}, {}},
      {{{0x0F8, kBelowZero}}, of + "front drive ratio is -0.000015; it must be 0 to 1"},
      {{{0x0F8, kAboveOne}}, of + "front drive ratio is 1.000015; it must be 0 to 1"},
      {{{0x100, kBelowZero}}, of + "front bias brake ratio is -0.000015; it must be 0 to 1"},
      {{{0x100, kAboveOne}}, of + "front bias brake ratio is 1.000015; it must be 0 to 1"},
      {{{0x128, kBelowZero}}, of + "front grip bias is -0.000015; it must be 0 to 1"},
      {{{0x128, kAboveOne}}, of + "front grip bias is 1.000015; it must be 0 to 1"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Bytes image = made_up_image(cases[i].pokes);
    EXPECT_EQ(rejection_of([&] { read_physics_record(image); }), cases[i].refusal) << "case " << i;
  }
  Bytes longer = made_up_image();
  longer.push_back(0);
  for (const std::size_t size : {0u, 355u, 357u}) {
    EXPECT_EQ(rejection_of([&] { read_physics_record(test::prefix_of(longer, size)); }),
              "the performance record is " + std::to_string(size) + " bytes long; it must be 356");
  }
}

}  // namespace
}  // namespace tromvex
