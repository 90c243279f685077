// Reads an NFS3 FCE mesh file back into parts, vertices and triangles, for drawing it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/records.hpp"

namespace tromvex {

// One part of a car as an FCE file holds it: a range of the car's vertices and triangles.
struct FceCarPart {
  std::string name;                 // the name slot's bytes up to the first zero byte
  Vec3f position;                   // the part's vertices are relative to it
  std::int32_t first_vertex = 0;    // into FceCar::vertices; never negative
  std::int32_t vertex_count = 0;    // first_vertex + vertex_count <= the vertex total
  std::int32_t first_triangle = 0;  // into FceCar::triangles; never negative
  std::int32_t triangle_count = 0;  // first_triangle + triangle_count <= the triangle total
};

// What drawing needs of an FCE car. Every triangle of a part uses only that part's vertices:
// its indices count from the part's first vertex and are below its vertex count.
struct FceCar {
  std::vector<FceCarPart> parts;
  std::vector<Vec3f> vertices;         // the vertex total V, as the vertex block stores them
  std::vector<Vec3f> normals;          // V, as the normal block stores them (zero until finished)
  std::vector<FceTriangle> triangles;  // the triangle total T, indices as stored
};

// Reads the header (totals, part count, per-part positions, counts and first indices, block
// offsets, names) and the vertex, normal and triangle blocks of an FCE image, as tromvex writes
// it and as the game's own cars fill it (their colours, dummies and damaged vertices are not
// read). The result owns its tables, which are no larger than the image implies.
// Throws MalformedFile for an image that is too short, declares a block or a part outside
// itself, or has a triangle that uses a vertex outside its part. A file whose header counts
// and offsets cannot fit its length (too short for the header, a negative total, a part count
// the header cannot hold, a block outside the file) is plainly not an FCE file: the message is
// then "it is not an FCE file (<what the field at fault is>)".
FceCar read_fce_image(std::span<const std::uint8_t> image);

}  // namespace tromvex
