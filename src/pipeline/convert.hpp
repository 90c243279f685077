// The whole conversion of a car in memory, from the GEO and texture file images to the FCE
// and TGA file images, phase after phase in their fixed order.
#pragma once

#include <cstdint>
#include <span>

#include "common/bytes.hpp"
#include "mesh/geo.hpp"

namespace tromvex {

enum class Phase {
  texture_directory,   // reading the texture archive's directory
  mesh,                // reading the GEO mesh
  texture_conversion,  // laying out the atlas and building the TGA image
  mesh_conversion,     // building the FCE parts and the FCE image
};

// What a conversion tells its caller as it goes: the start of each phase and, as the GEO reader
// finds them, the polygons whose texture is missing. The defaults do nothing.
class ConversionEvents : public MissingTextureSink {
 public:
  // Called right before each phase begins. What it throws passes through convert_car.
  virtual void before(Phase) {}
};

struct CarImages {
  Bytes fce_image;
  Bytes tga_image;
};

// Converts a car. The texture file is consumed; it is unpacked first (read_texture_file)
// unless it is a plain SHPI archive. Throws MalformedFile for an input it cannot convert
// safely, and passes on whatever events throws; the last phase announced to events before the
// throw tells which file was at fault (the mesh phase: the GEO file; expanding and every other
// phase: the texture file).
CarImages convert_car(std::span<const std::uint8_t> geo_image, Bytes texture_file,
                      ConversionEvents& events);

}  // namespace tromvex
