// Shows a car's performance record and what it would write into carp.txt, for a modder to
// check and hand-tune.
#pragma once

#include <string>
#include <vector>

#include "port/physics_map.hpp"
#include "port/physics_record.hpp"

namespace tromvex {

// One line a field of record, in the record's order, each value with its unit where it has
// one: "mass: 1352.699997 kg", "engine redline: 7000 rpm"; the per-gear tables name their
// slots, and the torque curve takes one line for every eight values, starting with its rpm.
// Decimals as carp.txt prints them (six decimals). Lines have no line end. Throws
// std::bad_alloc only.
std::vector<std::string> describe_physics_record(const PhysicsRecord& record);

// One line a value line of map, "(2) mass: 1352.699997", in ascending id, then one a gap,
// saying which entry the donor lacked or could not give and which ids keep the donor's value.
// Lines have no line end. Throws std::bad_alloc only.
std::vector<std::string> describe_physics_map(const PhysicsMap& map);

}  // namespace tromvex
