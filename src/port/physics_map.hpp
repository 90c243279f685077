// Gives a ported car its own physics: the value lines of NFS3's carp.txt that its NFS2
// performance record replaces in a donor's file, everything else staying the donor's.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "port/physics_record.hpp"

namespace tromvex {

// The donor entries the map reads: the gear ratios are worked out from the final gear and the
// rear tyre ("width,aspect,rim": mm, percent, inches), and the automatic final gear copies it.
inline constexpr int kCarpFinalGearId = 11;
inline constexpr int kCarpRearTyreId = 36;

// The value line of the donor carp.txt's entry with the given id, without its line end, or
// nothing when the donor has no such entry. Throws std::bad_alloc only.
using DonorValueLookup = std::function<std::optional<std::string>(int id)>;

// A value line to put in place of the donor's: the entry's id and the line's text without its
// line end.
struct CarpValueLine {
  int id = 0;
  std::string text;

  friend bool operator==(const CarpValueLine&, const CarpValueLine&) = default;
};

enum class DonorGapKind {
  missing,   // the donor has no entry of that id
  unusable,  // the entry is there but does not hold the number the map needs
};

// An entry the map needed from the donor but could not use.
struct DonorGap {
  int id = 0;
  DonorGapKind kind = DonorGapKind::missing;
  // The ids the map would have replaced that therefore stay as the donor has them (absent
  // when missing), ascending.
  std::vector<int> kept_ids;

  friend bool operator==(const DonorGap&, const DonorGap&) = default;
};

// What the map writes into a donor's carp.txt.
struct PhysicsMap {
  std::vector<CarpValueLine> lines;  // ascending id; each id once
  std::vector<DonorGap> gaps;        // ascending id; each id once
};

// Maps record onto the donor's carp.txt, whose value lines donor looks up by id. Writes 38
// entries: mass (2), gears (3, 4), velocity-to-rpm ratios (7), gear ratios (8), gear
// efficiency (9), torque curve (10), redline (13), velocities (14, 15), drive and brakes
// (16, 18-23), steering and grip (24, 25, 27-33, 38-44) and the automatic gearbox's twins
// (75-79). Fixed-point values and int32 fields that carp.txt holds as decimals are printed as
// C's "%f" does, the gear count, delay, redline, push factor and gas curves as integers, lists
// comma-separated; a list gets a trailing comma where the donor's line had one. The gear
// ratios (8, 77) are |velocity-to-rpm| * 2 pi r / (60 F) per slot, F the donor's final gear
// and r its rear tyre's radius in m, (rim * 25.4 + 2 * width * aspect / 100) / 2000; the
// automatic final gear (79) is F. A donor without an entry the map writes, or without a final
// gear of at least 0.1 or a rear tyre of three numbers (none negative) giving a radius above
// 0 and at most 5 m, leaves the entries concerned as they are and is listed in the gaps.
// Throws std::bad_alloc only (and what donor throws).
PhysicsMap map_physics(const PhysicsRecord& record, const DonorValueLookup& donor);

// What the entry of id holds, in a few words ("mass", "gear ratios (automatic)"), for the ids
// map_physics writes or reads; an empty view for any other id. Throws nothing.
std::string_view carp_entry_name(int id);

}  // namespace tromvex
