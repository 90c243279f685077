// Gives every FCE part its first vertex and triangle in the car, and centres the wheels.
#pragma once

#include <array>
#include <cstddef>

#include "common/records.hpp"

namespace tromvex {

// Sets first_vertex and first_triangle of every part to the sum of the counts before it;
// returns the vertex total V and the triangle total T. Throws nothing; asserts that the
// totals fit in 32 bits (the readers bound every count by the size of its file).
FceTotals assign_first_indices(FceParts& parts);

// The y range of a part's vertices, widened to contain 0.0: each vertex's y is taken in turn.
// Throws nothing.
struct YRange {
  float low = 0.0f;
  float high = 0.0f;
  void take(float y) {
    if (y < low) low = y;
    if (y > high) high = y;
  }
};
using PartYRanges = std::array<YRange, kFcePartCount>;

// Moves the local origin of each of the eight wheel parts up by half the extent of the y range
// its vertices span together with 0 (ranges[k]; the middle of the wheel only where its lowest
// vertex lies at y = 0): raises the part's position by that half, and
// returns that half as the part's shift, how far down in y each of its vertices must move so
// that vertex plus position stays where it was (0 for the bodies). Then lowers every part's
// position by the whole extent of "High right front Wheel". Throws nothing.
std::array<float, kFcePartCount> centre_wheel_parts(FceParts& parts, const PartYRanges& ranges);

}  // namespace tromvex
