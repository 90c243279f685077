// Gives every FCE part its first vertex and triangle in the car, and centres the wheels.
#pragma once

#include "common/records.hpp"

namespace tromvex {

// Sets first_vertex and first_triangle of every part to the sum of the counts before it;
// returns the vertex total V and the triangle total T.
FceTotals assign_first_indices(FceParts& parts);

// Moves the local origin of each wheel part to the middle of its 0-clamped y range, then
// lowers every part's position by the y extent of "High right front Wheel".
void centre_wheel_parts(FceParts& parts);

}  // namespace tromvex
