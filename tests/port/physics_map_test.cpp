// Tests of the map from an NFS2 performance record onto a donor's carp.txt values.
#include "port/physics_map.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/physics_record_file.hpp"

namespace tromvex {
namespace {

using DonorEntries = std::map<int, std::string>;

// A made-up donor: a final gear of 3.5 and 225/50 R16 rear tyres (radius 0.3157 m), the
// torque curve line with a trailing comma, and entries the map leaves alone.
DonorEntries made_up_donor() {
  DonorEntries donor{{0, "7"},    {1, "1"},          {5, "0.5"},     {11, "3.500000"},
                     {12, "800"}, {36, "225,50,16"}, {67, "1,2,3,"}, {10, "9,9, "}};
  for (const int id : {2,  3,  4,  7,  8,  9,  13, 14, 15, 16, 18, 19, 20, 21, 22, 23, 24, 25, 27,
                       28, 29, 30, 31, 32, 33, 38, 39, 40, 41, 42, 43, 44, 75, 76, 77, 78, 79}) {
    donor.emplace(id, "0");
  }
  return donor;
}

PhysicsMap map_with(const DonorEntries& donor) {
  return map_physics(made_up_physics_record(), [&](int id) -> std::optional<std::string> {
    const auto entry = donor.find(id);
    if (entry == donor.end()) return std::nullopt;
    return entry->second;
  });
}

std::vector<int> ids_of(const PhysicsMap& map) {
  std::vector<int> ids;
  for (const CarpValueLine& line : map.lines) ids.push_back(line.id);
  return ids;
}

// The made-up record's gear ratios with F = 3.5 and r = (16 * 25.4 + 2 * 225 * 50 / 100) /
// 2000 = 0.3157 m: |v2r| * 2 pi 0.3157 / 210 = |v2r| * 0.00944572191179331..., so
// 250 -> 2.361430478, 240 -> 2.266973259, 165.5 -> 1.563266976, 120.25 -> 1.135848060,
// 90 -> 0.850114972.
const char kGearRatios[] =
    "2.361430,0.000000,2.266973,1.563267,1.135848,0.850115,0.000000,0.000000";

TEST(MapPhysics, WritesEveryMappedEntryAsCarpTxtPrintsIt) {
  const std::string v2r =
      "-250.000000,0.000000,240.000000,165.500000,120.250000,90.000000,"
      "0.000000,0.000000";
  const std::string efficiency =
      "0.750000,0.000000,0.875000,0.812500,0.750000,0.687500,0.000000,0.000000";
  std::string torque;  // 200, 210 ... 400 at entry 20, then 392 ... 240
  for (int i = 0; i <= 40; ++i) {
    torque += std::to_string(i <= 20 ? 200 + 10 * i : 400 - 8 * (i - 20)) + ".000000,";
  }
  const std::string gas_in = "0,40,80,120,160,200,240,255";
  const std::string gas_out = "255,192,128,64,32,16,8,0";
  const std::string brake_in =
      "0.000000,64.000000,128.000000,192.000000,255.000000,255.000000,255.000000,255.000000";
  const std::string brake_out =
      "255.000000,128.000000,64.000000,0.000000,0.000000,0.000000,0.000000,0.000000";
  // The torque line keeps the trailing comma of the donor's.
  const std::vector<CarpValueLine> expected{
      {2, "1250.500000"}, {3, "6"},           {4, "5"},         {7, v2r},
      {8, kGearRatios},   {9, efficiency},    {10, torque},     {13, "7200"},
      {14, "80.000000"},  {15, "80.000000"},  {16, "0.000000"}, {18, "12.500000"},
      {19, "0.625000"},   {20, gas_in},       {21, gas_out},    {22, brake_in},
      {23, brake_out},    {24, "2.500000"},   {25, "0.484375"}, {27, "18.500000"},
      {28, "14.000000"},  {29, "30.000000"},  {30, "3.250000"}, {31, "0.001953"},
      {32, "0.312500"},   {33, "0.500000"},   {38, "1.000000"}, {39, "0.343750"},
      {40, "0.375000"},   {41, "150.000000"}, {42, "10000"},    {43, "0.015625"},
      {44, "0.031250"},   {75, "6"},          {76, v2r},        {77, kGearRatios},
      {78, efficiency},   {79, "3.500000"}};
  const PhysicsMap map = map_with(made_up_donor());
  EXPECT_EQ(map.lines, expected);
  EXPECT_TRUE(map.gaps.empty());
}

TEST(MapPhysics, LeavesEntriesItCannotWorkOutAsTheDonorHasThem) {
  DonorEntries donor = made_up_donor();
  donor.erase(13);
  donor.erase(kCarpRearTyreId);
  const PhysicsMap without_tyre = map_with(donor);
  EXPECT_EQ(without_tyre.gaps, (std::vector<DonorGap>{{13, DonorGapKind::missing, {13}},
                                                      {36, DonorGapKind::missing, {8, 77}}}));
  const std::vector<int> ids = ids_of(without_tyre);
  for (const int absent : {8, 13, 77}) EXPECT_EQ(std::count(ids.begin(), ids.end(), absent), 0);
  EXPECT_EQ(ids.size(), 35u);
  EXPECT_EQ(without_tyre.lines.back(), (CarpValueLine{79, "3.500000"}));

  donor = made_up_donor();
  donor[kCarpFinalGearId] = "fast";
  const PhysicsMap bad_gear = map_with(donor);
  EXPECT_EQ(bad_gear.gaps, (std::vector<DonorGap>{{11, DonorGapKind::unusable, {8, 77, 79}}}));
  EXPECT_EQ(ids_of(bad_gear).size(), 35u);
  EXPECT_EQ(ids_of(bad_gear).back(), 78);
}

// Which donor final gears and rear tyres the gear ratios can be worked out from.
TEST(MapPhysics, ReadsTheDonorsFinalGearAndRearTyre) {
  struct Case {
    const char* final_gear;
    const char* tyre;
    bool usable;
  };
  const std::vector<Case> cases{
      {"3.5", "225,50,16", true},   {" 3.500000 ", " 225 , 50.0 , 16 ,", true},
      {"0.1", "225,50,16", true},   {"0.099999", "225,50,16", false},
      {"0", "225,50,16", false},    {"-3.5", "225,50,16", false},
      {"", "225,50,16", false},     {"3.5x", "225,50,16", false},
      {"3.5", "225,50", false},     {"3.5", "225,50,16,1", false},
      {"3.5", "225,-50,16", false}, {"3.5", "225,,16", false},
      {"3.5", "0,0,0", false},      {"3.5", "0,0,393.7", true},  // radius 4.99999 m
      {"3.5", "0,0,393.8", false},  {"3.5", "1e308,1e308,16", false},
  };
  for (const Case& c : cases) {
    DonorEntries donor = made_up_donor();
    donor[kCarpFinalGearId] = c.final_gear;
    donor[kCarpRearTyreId] = c.tyre;
    const std::vector<int> ids = ids_of(map_with(donor));
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 8), c.usable ? 1 : 0)
        << c.final_gear << " / " << c.tyre;
  }
  DonorEntries donor = made_up_donor();
  donor[kCarpFinalGearId] = " 3.5 ";
  donor[kCarpRearTyreId] = " 225 , 50.0 , 16 ,";
  EXPECT_EQ(map_with(donor).lines[4], (CarpValueLine{8, kGearRatios}));
}

}  // namespace
}  // namespace tromvex
