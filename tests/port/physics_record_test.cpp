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

// Each field read from its own offset: a raw value poked there, the record read back. The
// integer fields keep the stored integer (16, not 16 / 65536).
TEST(ReadPhysicsRecord, ReadsEachFieldAtItsOffset) {
  using Field = double (*)(const PhysicsRecord&);
  struct Case {
    std::size_t offset;
    std::uint32_t raw;
    double expected;
    Field field;
  };
  const std::vector<Case> cases{
      {0x000, 0x04000001, 1024.0000152587890625, [](const PhysicsRecord& r) { return r.mass; }},
      {0x004, 3, 3, [](const PhysicsRecord& r) { return 0.0 + r.number_of_gears; }},
      {0x008, 7, 7, [](const PhysicsRecord& r) { return 0.0 + r.gear_shift_delay; }},
      {0x00C, 0xFFFE8000, -1.5, [](const PhysicsRecord& r) { return r.velocity_to_rpm[0]; }},
      {0x028, 0x00030000, 3, [](const PhysicsRecord& r) { return r.velocity_to_rpm[7]; }},
      {0x02C, 0x00008000, 0.5, [](const PhysicsRecord& r) { return r.gear_efficiency[0]; }},
      {0x048, 0x00014000, 1.25, [](const PhysicsRecord& r) { return r.gear_efficiency[7]; }},
      {0x04C, 0x01000000, 256, [](const PhysicsRecord& r) { return r.torque_curve[0]; }},
      {0x0EC, 0x00640000, 100, [](const PhysicsRecord& r) { return r.torque_curve[40]; }},
      {0x0F0, 8600, 8600, [](const PhysicsRecord& r) { return 0.0 + r.engine_redline; }},
      {0x0F4, 0x007B0000, 123, [](const PhysicsRecord& r) { return r.maximum_velocity; }},
      {0x0F8, 0x00008000, 0.5, [](const PhysicsRecord& r) { return r.front_drive_ratio; }},
      {0x0FC, 0x00128000, 18.5,
       [](const PhysicsRecord& r) { return r.maximum_braking_deceleration; }},
      {0x100, 0x0000B333, 0.6999969482421875,
       [](const PhysicsRecord& r) { return r.front_bias_brake_ratio; }},
      {0x104, 0xA1, 0xA1, [](const PhysicsRecord& r) { return 0.0 + r.gas_increasing_curve[0]; }},
      {0x108, 0xB2000000, 0xB2,
       [](const PhysicsRecord& r) { return 0.0 + r.gas_increasing_curve[7]; }},
      {0x10C, 0xC3, 0xC3, [](const PhysicsRecord& r) { return 0.0 + r.gas_decreasing_curve[0]; }},
      {0x114, 0xD4, 0xD4, [](const PhysicsRecord& r) { return 0.0 + r.brake_increasing_curve[0]; }},
      {0x11C, 0xE5, 0xE5, [](const PhysicsRecord& r) { return 0.0 + r.brake_decreasing_curve[0]; }},
      {0x120, 0xF6000000, 0xF6,
       [](const PhysicsRecord& r) { return 0.0 + r.brake_decreasing_curve[7]; }},
      {0x124, 0x0002E666, 2.8999938964843750, [](const PhysicsRecord& r) { return r.wheel_base; }},
      {0x128, 0x00007FFF, 0.4999847412109375,
       [](const PhysicsRecord& r) { return r.front_grip_bias; }},
      {0x12C, 0xFFEB0000, -21, [](const PhysicsRecord& r) { return r.steering_acceleration; }},
      {0x130, 16, 16, [](const PhysicsRecord& r) { return 0.0 + r.turn_in_ramp; }},
      {0x134, 36, 36, [](const PhysicsRecord& r) { return 0.0 + r.turn_out_ramp; }},
      {0x138, 0x00046666, 4.3999938964843750,
       [](const PhysicsRecord& r) { return r.lateral_acceleration_grip_multiplier; }},
      {0x13C, 0x00000031, 0.0007476806640625,
       [](const PhysicsRecord& r) { return r.aerodynamic_downforce_multiplier; }},
      {0x140, 0x00006666, 0.399993896484375,
       [](const PhysicsRecord& r) { return r.gas_off_factor; }},
      {0x144, 0x00009C28, 0.60998535156250,
       [](const PhysicsRecord& r) { return r.g_transfer_factor; }},
      {0x148, 0x00018000, 1.5, [](const PhysicsRecord& r) { return r.slide_multiplier; }},
      {0x14C, 0x00004CCC, 0.29998779296875,
       [](const PhysicsRecord& r) { return r.spin_velocity_cap; }},
      {0x150, 0x0000CCCC, 0.79998779296875,
       [](const PhysicsRecord& r) { return r.slide_velocity_cap; }},
      {0x154, 175, 175, [](const PhysicsRecord& r) { return 0.0 + r.slide_assistance_factor; }},
      {0x158, 12000, 12000, [](const PhysicsRecord& r) { return 0.0 + r.push_factor; }},
      {0x15C, 0x00000148, 0.0050048828125,
       [](const PhysicsRecord& r) { return r.low_turn_factor; }},
      {0x160, 0xFFFFFFFF, -0.0000152587890625,
       [](const PhysicsRecord& r) { return r.high_turn_factor; }},
  };
  for (const Case& c : cases) {
    const PhysicsRecord record = read_physics_record(made_up_image({{c.offset, c.raw}}));
    EXPECT_EQ(c.field(record), c.expected) << "offset " << c.offset;
  }
}

TEST(ReadPhysicsRecord, ReadsBackWhatTheWriterWrote) {
  const Bytes image = write_physics_record(made_up_physics_record());
  ASSERT_EQ(image.size(), kPhysicsRecordSize);
  EXPECT_EQ(read_physics_record(image), made_up_physics_record());
}

// Each guard just inside its bounds, and just outside with the message naming the field.
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
}

TEST(ReadPhysicsRecord, RefusesARecordOfAnotherSize) {
  Bytes image = made_up_image();
  image.push_back(0);
  EXPECT_EQ(rejection_of([&] { read_physics_record(image); }),
            "the performance record is 357 bytes long; it must be 356");
  EXPECT_EQ(rejection_of([&] { read_physics_record(test::prefix_of(image, 355)); }),
            "the performance record is 355 bytes long; it must be 356");
  EXPECT_EQ(rejection_of([&] { read_physics_record({}); }),
            "the performance record is 0 bytes long; it must be 356");
}

}  // namespace
}  // namespace tromvex
