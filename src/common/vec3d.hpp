// A vector of three doubles, for the geometry that is worked out in double precision.
#pragma once

#include <cmath>

namespace tromvex {

// The vector arithmetic below throws nothing.
struct Vec3d {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

inline Vec3d operator+(Vec3d a, Vec3d b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3d operator-(Vec3d a, Vec3d b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3d operator*(Vec3d a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3d a, Vec3d b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3d cross(Vec3d a, Vec3d b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// The vector scaled to length 1; the zero vector stays zero.
inline Vec3d normalized(Vec3d a) {
  const double length = std::sqrt(dot(a, a));
  return length > 0.0 ? a * (1.0 / length) : Vec3d{};
}

}  // namespace tromvex
