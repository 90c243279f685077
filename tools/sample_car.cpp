// The bundled sample car: its mesh, its textures and its palette, all from integer arithmetic
// so that every build on every platform writes the same bytes.
#include "tools/sample_car.hpp"

#include <array>
#include <cstdint>
#include <vector>

#include "tools/car_files.hpp"
#include "tools/qfs_compress.hpp"

namespace tromvex {
namespace {

// ---- Mesh -------------------------------------------------------------------------------
// Coordinates are given in centimetres: x to the car's right, y up, z forward, the ground at
// y = 0. A GEO vertex holds 1/256 of a metre; a GEO part position 1/65536 of a metre.

constexpr int kVertexUnitsPerMetre = 256;
constexpr int kPositionUnitsPerMetre = 65536;
constexpr int kCentimetresPerMetre = 100;

std::int16_t vertex_units(int centimetres) {
  return static_cast<std::int16_t>(centimetres * kVertexUnitsPerMetre / kCentimetresPerMetre);
}

std::int32_t position_units(int centimetres) {
  return centimetres * kPositionUnitsPerMetre / kCentimetresPerMetre;
}

struct Point {
  int x = 0;
  int y = 0;
  int z = 0;
};

Point mirrored(const Point& p) { return {-p.x, p.y, p.z}; }

// Faces are listed with their corners in one turn, starting at the corner that gets the
// texture's lower left. Real cars wind every outside triangle so that (v1 - v0) x (v2 - v0),
// with the coordinates as stored, points into the car: for faces listed this way that is the
// triangle order of kGeoFlagCornerOrder cleared. A face's mirror image on the other side of
// the car reverses the turn, so it carries the flag set instead.
constexpr std::uint32_t kFacing = 0;
constexpr std::uint32_t kMirroredFacing = kGeoFlagCornerOrder;
// Glass, the wing and the antenna are thin: kGeoFlagTwoSided.

class PartBuilder {
 public:
  std::uint8_t vertex(const Point& p) {
    part_.vertices.push_back({vertex_units(p.x), vertex_units(p.y), vertex_units(p.z)});
    part_.vertex_count = static_cast<std::int32_t>(part_.vertices.size());
    return static_cast<std::uint8_t>(part_.vertices.size() - 1);
  }

  void face(std::array<std::uint8_t, 4> corners, const char* texture, std::uint32_t flags) {
    part_.polygons.push_back({flags, corners, texture_name(texture)});
  }

  // A flat four-cornered panel, corners as for a face; mirror adds its twin at -x.
  void panel(const std::array<Point, 4>& corners, const char* texture, std::uint32_t flags,
             bool mirror = false) {
    std::array<std::uint8_t, 4> indices{};
    for (std::size_t k = 0; k < corners.size(); ++k) indices[k] = vertex(corners[k]);
    face(indices, texture, flags | kFacing);
    if (!mirror) return;
    for (std::size_t k = 0; k < corners.size(); ++k) indices[k] = vertex(mirrored(corners[k]));
    face(indices, texture, flags | kMirroredFacing);
  }

  void place_at(const Point& p) {
    part_.position = {position_units(p.x), position_units(p.y), position_units(p.z)};
  }

  GeoFilePart take() { return std::move(part_); }

 private:
  GeoFilePart part_;
};

// A box-like body whose top may be narrower and shorter than its bottom (a cabin).
struct Prism {
  int bottom_half_width, bottom_y, bottom_rear_z, bottom_front_z;
  int top_half_width, top_y, top_rear_z, top_front_z;
};

struct PrismTextures {
  const char* sides;
  std::uint32_t side_flags;
  const char* top;
  std::uint32_t top_flags;
  const char* front;
  const char* rear;
  std::uint32_t end_flags;
};

// Five faces: both sides, the top, the front and the rear; the underside is never seen.
void add_prism(PartBuilder& part, const Prism& s, const PrismTextures& t) {
  // 0 to 3 on the right: bottom rear, bottom front, top front, top rear; 4 to 7 their mirrors.
  const std::array<Point, 4> right{{{s.bottom_half_width, s.bottom_y, s.bottom_rear_z},
                                    {s.bottom_half_width, s.bottom_y, s.bottom_front_z},
                                    {s.top_half_width, s.top_y, s.top_front_z},
                                    {s.top_half_width, s.top_y, s.top_rear_z}}};
  std::array<std::uint8_t, 8> v{};
  for (std::size_t k = 0; k < 4; ++k) v[k] = part.vertex(right[k]);
  for (std::size_t k = 0; k < 4; ++k) v[k + 4] = part.vertex(mirrored(right[k]));
  part.face({v[1], v[0], v[3], v[2]}, t.sides, t.side_flags | kFacing);
  part.face({v[5], v[4], v[7], v[6]}, t.sides, t.side_flags | kMirroredFacing);
  part.face({v[3], v[7], v[6], v[2]}, t.top, t.top_flags | kFacing);
  part.face({v[5], v[1], v[2], v[6]}, t.front, t.end_flags | kFacing);
  part.face({v[0], v[4], v[7], v[3]}, t.rear, t.end_flags | kFacing);
}

constexpr Prism kLowerBody{90, 25, -220, 220, 90, 80, -220, 220};
constexpr Prism kCabin{85, 80, -120, 80, 70, 130, -90, 20};
// The wing about its own mounting point, which its part's position gives (see rear_wing).
constexpr Prism kWing{85, -2, -15, 15, 85, 2, -15, 15};
constexpr PrismTextures kPaintedBody{"body", 0, "body", 0, "body", "body", 0};
constexpr PrismTextures kGlassCabin{"wind", kGeoFlagTwoSided, "body",          0,
                                    "wind", "wind",           kGeoFlagTwoSided};
constexpr PrismTextures kThinWing{"body", kGeoFlagTwoSided, "body",          kGeoFlagTwoSided,
                                  "body", "body",           kGeoFlagTwoSided};

GeoFilePart lower_body() {
  PartBuilder part;
  add_prism(part, kLowerBody, kPaintedBody);
  return part.take();
}

GeoFilePart cabin() {
  PartBuilder part;
  add_prism(part, kCabin, kGlassCabin);
  return part.take();
}

constexpr int kFrontFaceZ = 221;
constexpr int kRearFaceZ = -221;

// A panel on the front of the car, facing forward: x0 < x1 seen from the front, left to right.
std::array<Point, 4> front_panel(int x0, int x1, int y0, int y1, int z) {
  return {{{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}}};
}

// A panel on the rear, facing backward: seen from behind, +x is on the left.
std::array<Point, 4> rear_panel(int x0, int x1, int y0, int y1, int z) {
  return {{{x1, y0, z}, {x0, y0, z}, {x0, y1, z}, {x1, y1, z}}};
}

GeoFilePart grille() {
  PartBuilder part;
  part.panel(front_panel(-50, 50, 35, 60, kFrontFaceZ), "grll", 0);
  return part.take();
}

GeoFilePart headlights() {
  PartBuilder part;
  part.panel(front_panel(55, 85, 55, 72, kFrontFaceZ), "lite", 0);
  part.panel(front_panel(-85, -55, 55, 72, kFrontFaceZ), "lite", 0);
  return part.take();
}

GeoFilePart tail_lights() {
  PartBuilder part;
  part.panel(rear_panel(55, 85, 55, 72, kRearFaceZ), "tail", 0);
  part.panel(rear_panel(-85, -55, 55, 72, kRearFaceZ), "tail", 0);
  return part.take();
}

// The wing's vertices are relative to its own position, where it is mounted, as in real cars:
// the converter moves them by the difference between that position and the body's.
GeoFilePart rear_wing() {
  PartBuilder part;
  add_prism(part, kWing, kThinWing);
  part.place_at({0, 102, -200});
  return part.take();
}

GeoFilePart wing_struts() {
  PartBuilder part;
  // The right strut faces right; its mirror faces left.
  part.panel({{{50, 80, -190}, {50, 80, -210}, {50, 100, -210}, {50, 100, -190}}}, "body",
             kGeoFlagTwoSided, true);
  return part.take();
}

// Three vertices, an odd count: the file stores a fourth, unused one.
GeoFilePart antenna() {
  PartBuilder part;
  const std::uint8_t base_rear = part.vertex({-60, 130, -80});
  const std::uint8_t base_front = part.vertex({-60, 130, -72});
  const std::uint8_t tip = part.vertex({-60, 175, -88});
  part.face({base_front, base_rear, tip, tip}, "grll", kGeoFlagTwoSided | kFacing);
  return part.take();
}

// A square pipe end around its centre: five vertices, another odd count.
GeoFilePart exhaust() {
  PartBuilder part;
  const std::uint8_t centre = part.vertex({50, 30, -223});
  const std::uint8_t a = part.vertex({55, 25, -223});
  const std::uint8_t b = part.vertex({45, 25, -223});
  const std::uint8_t c = part.vertex({45, 35, -223});
  const std::uint8_t d = part.vertex({55, 35, -223});
  part.face({centre, a, b, c}, "grll", kFacing);
  part.face({centre, c, d, a}, "grll", kFacing);
  return part.take();
}

GeoFilePart front_bumper() {
  PartBuilder part;
  part.panel(front_panel(-90, 90, 25, 34, kFrontFaceZ + 1), "grll", 0);
  return part.take();
}

GeoFilePart rear_bumper() {
  PartBuilder part;
  part.panel(rear_panel(-90, 90, 25, 40, kRearFaceZ - 1), "grll", 0);
  return part.take();
}

GeoFilePart licence_plate() {
  PartBuilder part;
  part.panel(rear_panel(-26, 26, 42, 54, kRearFaceZ - 2), "plat", 0);
  return part.take();
}

// ---- Wheels ---------------------------------------------------------------------------------

constexpr int kWheelRadius = 33;
constexpr int kWheelHalfWidth = 11;
constexpr int kWheelTrackHalf = 80;
constexpr int kWheelBaseHalf = 140;
constexpr std::size_t kWheelSides = 12;
// Sine and cosine of k x 30 degrees, in thousandths: exact tables, no floating point.
constexpr std::array<int, kWheelSides> kSine{0, 500,  866,  1000,  866,  500,
                                             0, -500, -866, -1000, -866, -500};
constexpr std::array<int, kWheelSides> kCosine{1000,  866,  500,  0, -500, -866,
                                               -1000, -866, -500, 0, 500,  866};
constexpr int kThousand = 1000;

struct WheelPlace {
  bool right;
  bool front;
};

// The tread: 12 quads around the wheel's axis, about its own centre; the part's position puts
// it at the wheel's place.
GeoFilePart wheel_tread(const WheelPlace& place) {
  PartBuilder part;
  const int side = place.right ? 1 : -1;
  for (std::size_t k = 0; k < kWheelSides; ++k) {
    const int y = kWheelRadius * kSine[k] / kThousand;
    const int z = kWheelRadius * kCosine[k] / kThousand;
    part.vertex({side * kWheelHalfWidth, y, z});   // 2k: outer rim edge
    part.vertex({-side * kWheelHalfWidth, y, z});  // 2k + 1: inner edge
  }
  for (std::size_t k = 0; k < kWheelSides; ++k) {
    const auto a = static_cast<std::uint8_t>(2 * k);
    const auto b = static_cast<std::uint8_t>(2 * ((k + 1) % kWheelSides));
    part.face({a, b, static_cast<std::uint8_t>(b + 1), static_cast<std::uint8_t>(a + 1)}, "tyre",
              place.right ? kFacing : kMirroredFacing);
  }
  part.place_at(
      {side * kWheelTrackHalf, kWheelRadius, place.front ? kWheelBaseHalf : -kWheelBaseHalf});
  return part.take();
}

// The rim: one square plate on the wheel's outer face; the texture's clear corners round it off.
GeoFilePart wheel_rim(const WheelPlace& place) {
  PartBuilder part;
  const int x = kWheelHalfWidth + 1;
  const int r = kWheelRadius;
  const std::array<Point, 4> right{{{x, -r, r}, {x, -r, -r}, {x, r, -r}, {x, r, r}}};
  if (place.right) {
    part.panel(right, "rim", 0);
  } else {
    std::array<std::uint8_t, 4> indices{};
    for (std::size_t k = 0; k < right.size(); ++k) indices[k] = part.vertex(mirrored(right[k]));
    part.face(indices, "rim", kMirroredFacing);
  }
  const int side = place.right ? 1 : -1;
  part.place_at(
      {side * kWheelTrackHalf, kWheelRadius, place.front ? kWheelBaseHalf : -kWheelBaseHalf});
  return part.take();
}

// ---- Simpler bodies -----------------------------------------------------------------------------

GeoFilePart flat_wing() {
  PartBuilder part;
  part.panel({{{85, 104, -215}, {-85, 104, -215}, {-85, 104, -185}, {85, 104, -185}}}, "body",
             kGeoFlagTwoSided);
  return part.take();
}

// The cabin as a windscreen and one long roof slope.
GeoFilePart wedge_cabin() {
  PartBuilder part;
  part.panel(front_panel(-85, 85, 80, 130, 80), "wind", kGeoFlagTwoSided);
  part.panel({{{70, 130, -120}, {-70, 130, -120}, {-70, 130, 20}, {70, 130, 20}}}, "body", 0);
  return part.take();
}

// The four wheels as flat rims on the body's sides.
GeoFilePart flat_wheels() {
  PartBuilder part;
  for (const int z : {kWheelBaseHalf, -kWheelBaseHalf}) {
    const int r = kWheelRadius;
    part.panel({{{91, 0, z + r}, {91, 0, z - r}, {91, 2 * r, z - r}, {91, 2 * r, z + r}}}, "rim", 0,
               true);
  }
  return part.take();
}

std::array<GeoFilePart, kGeoPartCount> sample_parts() {
  return {lower_body(),
          cabin(),
          grille(),
          headlights(),
          tail_lights(),
          rear_wing(),
          wing_struts(),
          antenna(),
          exhaust(),
          front_bumper(),
          rear_bumper(),
          licence_plate(),
          wheel_tread({true, true}),
          wheel_rim({true, true}),
          wheel_tread({false, true}),
          wheel_rim({false, true}),
          wheel_tread({true, false}),
          wheel_rim({true, false}),
          wheel_tread({false, false}),
          wheel_rim({false, false}),
          lower_body(),
          cabin(),
          flat_wing(),
          lower_body(),
          wedge_cabin(),
          flat_wheels()};
}

// ---- Palette --------------------------------------------------------------------------------
// 256 colours of blue, green, red and a flag. Colour 0 has flag 0 (fully clear): the canvas
// around the textures and the rim's corners use it. The glass is green enough (green above both
// blue and red by more than 40) to get the converter's green-tinted alpha, and the grey-to-green
// ramp crosses that threshold half way.

constexpr std::size_t kPaletteColours = 256;
constexpr std::uint8_t kClearFlag = 0;
constexpr std::uint8_t kShownFlag = 255;

enum : std::uint8_t {
  kClear = 0,
  kGreyRamp = 1,      // 1 to 31: black to white
  kPaintRamp = 32,    // 32 to 63: dark to bright blue paint
  kRedRamp = 64,      // 64 to 95: dark to bright red
  kGlassRamp = 96,    // 96 to 127: dark to light green-tinted glass
  kLampRamp = 128,    // 128 to 159: warm grey to yellow-white
  kGreenStep = 160,   // 160 to 191: grey turning green, 2 steps a colour
  kOrangeRamp = 192,  // 192 to 255: dark to bright orange
};
constexpr int kRampLength = 32;

struct Colour {
  int blue, green, red;
};

Colour palette_colour(int index) {
  const int step = index % kRampLength;
  if (index < kPaintRamp) return {index * 8, index * 8, index * 8};
  if (index < kRedRamp) {
    const int blue = 96 + step * 5;
    return {blue, blue / 3, blue / 4};
  }
  if (index < kGlassRamp) {
    const int red = 96 + step * 5;
    return {red / 6, red / 6, red};
  }
  // Green-tinted colours get green added to blue and red; these sums stay below 256.
  if (index < kLampRamp) return {30 + step, 110 + step * 2, 20 + step};
  if (index < kGreenStep) return {80 + step * 5, 150 + step * 3, 160 + step * 3};
  if (index < kOrangeRamp) return {100, 100 + step * 2, 100};
  const int level = index - kOrangeRamp;
  return {0, level * 2, level * 4};
}

Bytes make_palette() {
  Bytes colours;
  for (int index = 0; index < static_cast<int>(kPaletteColours); ++index) {
    const Colour c = palette_colour(index);
    colours.push_back(static_cast<std::uint8_t>(c.blue));
    colours.push_back(static_cast<std::uint8_t>(c.green));
    colours.push_back(static_cast<std::uint8_t>(c.red));
    colours.push_back(index == kClear ? kClearFlag : kShownFlag);
  }
  return colours;
}

// ---- Textures -------------------------------------------------------------------------------

constexpr std::uint8_t kPaletteType = 0x2A;  // four bytes a colour

// Paints a texture pixel by pixel from a function of (x, y).
template <typename Paint>
ShpiPicture texture(const char* name, int width, int height, Paint paint) {
  ShpiPicture picture;
  const TextureName padded = texture_name(name);  // NUL-padded to four bytes
  picture.name.assign(padded.begin(), padded.end());
  picture.type_byte0 = kShpiIndexedType;
  picture.width = static_cast<std::int16_t>(width);
  picture.height = static_cast<std::int16_t>(height);
  picture.pixels.reserve(static_cast<std::size_t>(width * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      picture.pixels.push_back(static_cast<std::uint8_t>(paint(x, y)));
  }
  return picture;
}

int grey(int level) { return kGreyRamp + level; }  // level 0 to 30

// Blue paint shaded top to bottom, two white racing stripes and a dark pin line, with a
// dithered band along the sill.
ShpiPicture body_texture() {
  return texture("body", 256, 128, [](int x, int y) {
    if ((y >= 40 && y < 48) || (y >= 56 && y < 64)) return grey(30);
    if (y == 100) return grey(3);
    if (y >= 112) return kPaintRamp + 4 + (x + y) % 2 * 2;
    return kPaintRamp + 24 - y * 16 / 112;
  });
}

// Tinted glass darkening downwards, a frame, and a diagonal reflection.
ShpiPicture window_texture() {
  return texture("wind", 256, 128, [](int x, int y) {
    if (x < 4 || y < 4 || x >= 252 || y >= 124) return grey(2);
    if ((x + 2 * y) % 128 < 10) return kGlassRamp + 31;
    return kGlassRamp + 24 - y * 20 / 128;
  });
}

// Dark rubber with staggered tread blocks.
ShpiPicture tyre_texture() {
  return texture("tyre", 128, 128, [](int x, int y) {
    if (y < 8 || y >= 120) return grey(2);
    const bool block = ((y / 16 + x / 16) % 2 == 0) && (y % 16) < 12 && (x % 16) < 13;
    return block ? grey(6) : grey(3);
  });
}

// A five-spoke-ish silver rim with a dark tyre wall; the corners outside the wheel are clear.
ShpiPicture rim_texture() {
  return texture("rim", 128, 128, [](int x, int y) {
    const int dx = 2 * x - 127;  // doubled, so the centre falls between pixels exactly
    const int dy = 2 * y - 127;
    const int distance2 = dx * dx + dy * dy;
    if (distance2 > 124 * 124) return static_cast<int>(kClear);
    if (distance2 > 100 * 100) return grey(4);
    if (distance2 < 24 * 24) return grey(22);
    const bool spoke = (dx < 10 && dx > -10) || (dy < 10 && dy > -10) ||
                       (dx - dy < 12 && dx - dy > -12) || (dx + dy < 12 && dx + dy > -12);
    return spoke ? grey(28) : grey(12);
  });
}

// A round lamp in a grey housing, brightest at its centre.
ShpiPicture headlight_texture() {
  return texture("lite", 128, 64, [](int x, int y) {
    const int dx = x - 64;
    const int dy = 2 * (y - 32);
    const int distance2 = dx * dx + dy * dy;
    if (distance2 > 56 * 56) return grey(10);
    if (distance2 > 50 * 50) return grey(30);
    return kLampRamp + 31 - distance2 * 31 / (50 * 50);
  });
}

// Red lenses with a dark frame and a brighter middle strip.
ShpiPicture tail_light_texture() {
  return texture("tail", 128, 64, [](int x, int y) {
    if (x < 4 || y < 4 || x >= 124 || y >= 60) return kRedRamp + 2;
    if (y >= 24 && y < 40) return kRedRamp + 31;
    return kRedRamp + 16 + x * 8 / 128;
  });
}

// Black horizontal slats in a grey frame.
ShpiPicture grille_texture() {
  return texture("grll", 128, 64, [](int x, int y) {
    if (x < 6 || y < 6 || x >= 122 || y >= 58) return grey(12);
    return (y % 8) < 4 ? grey(1) : grey(5);
  });
}

// A white plate with a black border and five blocky characters.
ShpiPicture plate_texture() {
  return texture("plat", 128, 64, [](int x, int y) {
    if (x < 3 || y < 3 || x >= 125 || y >= 61) return grey(1);
    const int cell = (x - 9) / 22;
    const int cx = (x - 9) % 22;
    if (x >= 9 && cell < 5 && cx < 16 && y >= 16 && y < 48) {
      // Each character is a box; some have their left side or middle bar left out.
      const bool edge = cx < 3 || cx >= 13 || y < 19 || y >= 45;
      const bool bar = y >= 30 && y < 34 && cell % 2 == 0;
      const bool gap = cx < 3 && cell == 3;
      if ((edge && !gap) || bar) return grey(1);
    }
    return grey(30);
  });
}

ShpiPicture palette_picture() {
  ShpiPicture picture;
  picture.name = "!pal";
  picture.type_byte0 = kPaletteType;
  picture.width = static_cast<std::int16_t>(kPaletteColours);
  picture.height = 1;
  picture.pixels = make_palette();
  return picture;
}

}  // namespace

Bytes make_sample_geo() {
  GeoFile geo;
  geo.parts = sample_parts();
  return write_geo_file(geo);
}

Bytes make_sample_archive() {
  const std::vector<ShpiPicture> pictures{
      palette_picture(),   body_texture(),       window_texture(), tyre_texture(), rim_texture(),
      headlight_texture(), tail_light_texture(), grille_texture(), plate_texture()};
  return write_shpi_archive(pictures);  // with the closing entry that never becomes a texture
}

Bytes make_sample_qfs() { return qfs_compress(make_sample_archive()); }

Bytes make_sample_prop_geo(int half_width, int height, int half_length, const char* picture) {
  const Prism box{half_width, 0,      -half_length, half_length,
                  half_width, height, -half_length, half_length};
  const PrismTextures all{picture, 0, picture, 0, picture, picture, 0};
  PartBuilder part;
  add_prism(part, box, all);
  GeoFile geo;
  geo.parts[0] = part.take();
  geo.parts[20] = geo.parts[0];
  geo.parts[23] = geo.parts[0];
  return write_geo_file(geo);
}

Bytes make_sample_prop_archive(const char* picture, PropLook look) {
  const ShpiPicture painted = texture(picture, 64, 64, [look](int x, int y) {
    if (look == PropLook::planks) return y % 16 == 0 ? grey(3) : kOrangeRamp + 20 + (x / 8) % 3;
    return (x + y / 4) % 6 < 2 ? grey(5) : kOrangeRamp + 8 + y % 4;
  });
  return write_shpi_archive({palette_picture(), painted});
}

}  // namespace tromvex
