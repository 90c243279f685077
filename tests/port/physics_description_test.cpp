// Tests of the lines that show a performance record and what the map writes.
#include "port/physics_description.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/physics_record_file.hpp"

namespace tromvex {
namespace {

TEST(DescribePhysicsRecord, ShowsEveryFieldWithItsUnit) {
  const std::vector<std::string> expected{
      "mass: 1250.500000 kg",
      "number of gears: 6 (reverse, neutral and 4 forward)",
      "gear shift delay: 5 ticks",
      "velocity to rpm ratio (R, N, 1-6): -250.000000, 0.000000, 240.000000, 165.500000, "
      "120.250000, 90.000000, 0.000000, 0.000000 rpm per m/s",
      "gear efficiency (R, N, 1-6): 0.750000, 0.000000, 0.875000, 0.812500, 0.750000, 0.687500, "
      "0.000000, 0.000000",
      "torque at 0-1792 rpm: 200.000000, 210.000000, 220.000000, 230.000000, 240.000000, "
      "250.000000, 260.000000, 270.000000 Nm",
      "torque at 2048-3840 rpm: 280.000000, 290.000000, 300.000000, 310.000000, 320.000000, "
      "330.000000, 340.000000, 350.000000 Nm",
      "torque at 4096-5888 rpm: 360.000000, 370.000000, 380.000000, 390.000000, 400.000000, "
      "392.000000, 384.000000, 376.000000 Nm",
      "torque at 6144-7936 rpm: 368.000000, 360.000000, 352.000000, 344.000000, 336.000000, "
      "328.000000, 320.000000, 312.000000 Nm",
      "torque at 8192-9984 rpm: 304.000000, 296.000000, 288.000000, 280.000000, 272.000000, "
      "264.000000, 256.000000, 248.000000 Nm",
      "torque at 10240 rpm: 240.000000 Nm",
      "engine redline: 7200 rpm",
      "maximum velocity: 80.000000 m/s (288.0 km/h)",
      "front drive ratio: 0.000000 (0 rear, 1 front)",
      "maximum braking deceleration: 12.500000",
      "front bias brake ratio: 0.625000",
      "gas increasing curve: 0, 40, 80, 120, 160, 200, 240, 255",
      "gas decreasing curve: 255, 192, 128, 64, 32, 16, 8, 0",
      "brake increasing curve: 0, 64, 128, 192, 255, 255, 255, 255",
      "brake decreasing curve: 255, 128, 64, 0, 0, 0, 0, 0",
      "wheel base: 2.500000 m",
      "front grip bias: 0.484375",
      "steering acceleration: 18.500000",
      "turn in ramp: 14",
      "turn out ramp: 30",
      "lateral acceleration grip multiplier: 3.250000",
      "aerodynamic downforce multiplier: 0.001953",
      "gas off factor: 0.312500",
      "g transfer factor: 0.500000",
      "slide multiplier: 1.000000",
      "spin velocity cap: 0.343750",
      "slide velocity cap: 0.375000",
      "slide assistance factor: 150",
      "push factor: 10000",
      "low turn factor: 0.015625",
      "high turn factor: 0.031250",
  };
  EXPECT_EQ(describe_physics_record(made_up_physics_record()), expected);
}

TEST(DescribePhysicsMap, ShowsTheLinesThenWhatTheDonorLacked) {
  const PhysicsMap map{{{2, "1250.500000"}, {79, "3.500000"}},
                       {{11, DonorGapKind::unusable, {8, 77, 79}},
                        {13, DonorGapKind::missing, {13}},
                        {36, DonorGapKind::missing, {8, 77}}}};
  const std::vector<std::string> expected{
      "(2) mass: 1250.500000",
      "(79) final gear (automatic): 3.500000",
      "(11) final gear: the donor's value cannot be used; (8), (77), (79) keep the donor's values",
      "(13) engine redline: not in the donor's carp.txt, so not written",
      "(36) rear tyre: not in the donor's carp.txt; (8), (77) keep the donor's values",
  };
  EXPECT_EQ(describe_physics_map(map), expected);
}

}  // namespace
}  // namespace tromvex
