// Gives every FCE part its first vertex and triangle in the car, and centres the wheels.
#pragma once

#include <cstddef>
#include <span>

#include "common/records.hpp"

namespace tromvex {

// Sets first_vertex and first_triangle of every part to the sum of the counts before it;
// returns the vertex total V and the triangle total T. Throws nothing; asserts that the
// totals fit in 32 bits (the readers bound every count by the size of its file).
FceTotals assign_first_indices(FceParts& parts);

// Moves the local origin of each wheel part to the middle of its 0-clamped y range, then
// lowers every part's position by the y extent of "High right front Wheel". Throws nothing.
void centre_wheel_parts(FceParts& parts);

// The same work one part at a time, for parts whose vertices are held elsewhere:
// is_wheel_part tells which parts centre_wheel_parts centres; centre_part_in_y centres one of
// them (its vertices and its position) and returns its y extent; the extent of part
// kLoweringWheelPart is what lower_parts then takes off every part's position. None of them
// throws.
inline constexpr std::size_t kLoweringWheelPart = 1;
bool is_wheel_part(std::size_t k);
float centre_part_in_y(std::span<Vec3f> vertices, Vec3f& position);
void lower_parts(FceParts& parts, float lowering);

}  // namespace tromvex
