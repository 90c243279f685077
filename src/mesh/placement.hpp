// Gives every FCE part its first vertex and triangle in the car, and centres the wheels.
#pragma once

#include <cstddef>

#include "common/records.hpp"

namespace tromvex {

// Sets first_vertex and first_triangle of every part to the sum of the counts before it;
// returns the vertex total V and the triangle total T. Throws nothing; asserts that the
// totals fit in 32 bits (the readers bound every count by the size of its file).
FceTotals assign_first_indices(FceParts& parts);

// Whether part k is one of the eight wheels, the parts centre_wheel_parts centres. Throws
// nothing.
bool is_wheel_part(std::size_t k);

// Moves the local origin of each wheel part to the middle of its 0-clamped y range, then
// lowers every part's position by the y extent of "High right front Wheel". Reads and moves
// the vertices of the wheel parts only: the other parts' arrays may be left empty. Throws
// nothing.
void centre_wheel_parts(FceParts& parts);

}  // namespace tromvex
