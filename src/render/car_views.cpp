// Draws an FCE car from four sides into one picture, to see at a glance whether it is right.
#include "render/car_views.hpp"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/malformed_file.hpp"
#include "render/font.hpp"
#include "render/raster.hpp"

namespace tromvex {
namespace {

constexpr Rgb kBackground{236, 239, 242};
constexpr Rgb kSeparator{200, 204, 208};
constexpr Rgb kGround{90, 90, 90};
constexpr Rgb kLabel{70, 70, 70};
constexpr std::array<Rgb, 12> kPartColours{{{220, 50, 47},
                                            {38, 139, 210},
                                            {133, 153, 0},
                                            {211, 54, 130},
                                            {203, 75, 22},
                                            {42, 161, 152},
                                            {108, 113, 196},
                                            {181, 137, 0},
                                            {88, 110, 117},
                                            {150, 90, 40},
                                            {30, 60, 140},
                                            {90, 160, 60}}};

// FCE triangle flag 0x4: the game draws the triangle from both sides.
constexpr std::uint32_t kTriangleFlagTwoSided = 0x4;
// The game takes a part's role from its place, whatever its name: parts 0 to 4 are the
// high-detail body and its four wheels, the car as the player sees it.
constexpr std::size_t kVisiblePartCount = 5;

constexpr int kLabelDots = kGlyphHeight + 2;
// How many times over the triangles drawn may cover a view: cars cover it a few times at most.
constexpr std::int64_t kMaxCoverage = 256;

// How the picture is divided: four cells of half its width, a quarter of its width tall.
struct Layout {
  int scale = 1;  // of the font
  int margin = 2;
  std::array<PixelRect, 4> cells;
  PixelRect legend;
};

enum class View { side, front, top, front_right };
constexpr std::array<View, 4> kViews{View::side, View::front, View::top, View::front_right};
constexpr std::array<std::string_view, 4> kViewNames{"left side", "front", "top", "front right"};

std::vector<std::size_t> parts_to_draw(const FceCar& car) {
  std::vector<std::size_t> chosen(std::min(car.parts.size(), kVisiblePartCount));
  for (std::size_t p = 0; p < chosen.size(); ++p) chosen[p] = p;
  return chosen;
}

Vec3d widen(const Vec3f& v) { return {v.x, v.y, v.z}; }

bool finite(const Vec3d& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A part is finished, and lit smoothly, when any of its normals is not zero.
bool has_normals(const FceCar& car, const FceCarPart& part) {
  const auto first = car.normals.begin() + part.first_vertex;
  return std::any_of(first, first + part.vertex_count, [](const Vec3f& n) { return n != Vec3f{}; });
}

// Calls visit(DrawTriangle) for every triangle of the chosen parts, corners in world space.
template <typename Visit>
void for_each_triangle(const FceCar& car, const std::vector<std::size_t>& chosen, bool colour_parts,
                       Visit&& visit) {
  for (std::size_t n = 0; n < chosen.size(); ++n) {
    const FceCarPart& part = car.parts[chosen[n]];
    const Vec3d position = widen(part.position);
    DrawTriangle draw;
    draw.flat = colour_parts;
    draw.flat_colour = part_colour(n);
    draw.smooth = has_normals(car, part);
    for (std::int32_t t = 0; t < part.triangle_count; ++t) {
      const FceTriangle& triangle =
          car.triangles[static_cast<std::size_t>(part.first_triangle + t)];
      for (std::size_t i = 0; i < 3; ++i) {
        // The reader has checked that every index lies inside the part.
        const auto vertex = static_cast<std::size_t>(part.first_vertex + triangle.indices[i]);
        draw.corners[i] = widen(car.vertices[vertex]) + position;
        draw.normals[i] = widen(car.normals[vertex]);
      }
      draw.u = triangle.u;
      draw.v = triangle.v;
      draw.two_sided = (triangle.flags & kTriangleFlagTwoSided) != 0;
      visit(draw);
    }
  }
}

struct Box {
  Vec3d low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
            std::numeric_limits<double>::infinity()};
  Vec3d high{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity()};
  bool empty() const { return !(low.x <= high.x); }
  void add(const Vec3d& p) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
  Vec3d centre() const { return (low + high) * 0.5; }
};

// The camera of a view before it is framed: where it looks from and how it is turned.
Camera aim(View view, const Box& box) {
  Camera camera;
  camera.eye = box.centre();
  switch (view) {
    case View::side:  // from the car's left: the front is on the left of the picture
      camera.right = {0.0, 0.0, -1.0};
      camera.forward = {1.0, 0.0, 0.0};
      break;
    case View::front:  // the car's right is on the left of the picture
      camera.right = {-1.0, 0.0, 0.0};
      camera.forward = {0.0, 0.0, -1.0};
      break;
    case View::top:  // the front on the left, as in the side view; the car's right at the top
      camera.right = {0.0, 0.0, -1.0};
      camera.up = {1.0, 0.0, 0.0};
      camera.forward = {0.0, -1.0, 0.0};
      break;
    case View::front_right: {
      camera.perspective = true;
      camera.forward = normalized({-1.0, -0.6, -1.3});
      camera.right = normalized(cross({0.0, 1.0, 0.0}, camera.forward));
      camera.up = cross(camera.forward, camera.right);
      // Three times the box's half diagonal away: every corner lies well in front of the eye.
      const Vec3d half = (box.high - box.low) * 0.5;
      const double radius = std::max(std::sqrt(dot(half, half)), 1e-3);
      camera.eye = box.centre() - camera.forward * (3.0 * radius);
      break;
    }
  }
  // From above the viewer's upper left, a little in front of the picture.
  camera.light = normalized(camera.forward * -1.0 + camera.up * 0.7 + camera.right * -0.45);
  return camera;
}

// Where a world point falls in a camera's picture plane before scaling.
std::array<double, 2> plane_position(const Camera& camera, const Vec3d& p) {
  const Vec3d d = p - camera.eye;
  double across = dot(d, camera.right);
  double along = dot(d, camera.up);
  if (camera.perspective) {
    const double depth = dot(d, camera.forward);
    across /= depth;
    along /= depth;
  }
  return {across, along};
}

// Scales and centres the camera so that the drawn vertices fill the cell, less its margin
// and the label above.
void frame(Camera& camera, const FceCar& car, const std::vector<std::size_t>& chosen,
           const PixelRect& cell, const Layout& layout) {
  double left = std::numeric_limits<double>::infinity(), right = -left;
  double bottom = left, top = -left;
  for_each_triangle(car, chosen, false, [&](const DrawTriangle& triangle) {
    for (const Vec3d& corner : triangle.corners) {
      if (!finite(corner)) continue;
      const auto [across, along] = plane_position(camera, corner);
      left = std::min(left, across);
      right = std::max(right, across);
      bottom = std::min(bottom, along);
      top = std::max(top, along);
    }
  });
  const double label = kLabelDots * layout.scale;
  const double room_x = cell.width - 2.0 * layout.margin;
  const double room_y = cell.height - 2.0 * layout.margin - label;
  double scale = 1.0;
  if (right > left || top > bottom) {
    scale =
        std::min(right > left ? room_x / (right - left) : std::numeric_limits<double>::infinity(),
                 top > bottom ? room_y / (top - bottom) : std::numeric_limits<double>::infinity());
  }
  if (!std::isfinite(scale) || !(scale > 0.0)) scale = 1.0;
  if (!(left <= right)) left = right = bottom = top = 0.0;  // nothing to frame
  camera.scale = scale;
  camera.centre_x = cell.x + cell.width * 0.5 - scale * (left + right) * 0.5;
  camera.centre_y = cell.y + (cell.height + label) * 0.5 + scale * (bottom + top) * 0.5;
}

void draw_ground_line(Canvas& canvas, const PixelRect& cell, const Camera& camera, double ground_y,
                      int thickness) {
  const double y = camera.centre_y - camera.scale * (ground_y - camera.eye.y);
  if (!(y >= cell.y && y < cell.y + cell.height)) return;
  canvas.fill({cell.x, static_cast<int>(y), cell.width, thickness}, kGround);
}

Layout lay_out(int width, std::size_t legend_entries) {
  Layout layout;
  layout.scale = std::max(1, width / 400);
  layout.margin = std::max(2, width / 64);
  const int half = width / 2;
  const int cell_height = width / 4;
  layout.cells = {PixelRect{0, 0, half, cell_height}, PixelRect{half, 0, width - half, cell_height},
                  PixelRect{0, cell_height, half, cell_height},
                  PixelRect{half, cell_height, width - half, cell_height}};
  // Two columns of names, one line each.
  const auto lines = static_cast<int>((legend_entries + 1) / 2);
  const int line_height = (kGlyphHeight + 3) * layout.scale;
  const int legend_height = lines == 0 ? 0 : lines * line_height + 2 * layout.margin;
  layout.legend = {0, 2 * cell_height, width, legend_height};
  return layout;
}

void draw_legend(Canvas& canvas, const Layout& layout, const FceCar& car,
                 const std::vector<std::size_t>& chosen) {
  const int line_height = (kGlyphHeight + 3) * layout.scale;
  const int column_width = layout.legend.width / 2;
  const int swatch = kGlyphHeight * layout.scale;
  for (std::size_t n = 0; n < chosen.size(); ++n) {
    const int x = layout.legend.x + layout.margin + static_cast<int>(n % 2) * column_width;
    const int y = layout.legend.y + layout.margin + static_cast<int>(n / 2) * line_height;
    canvas.fill({x, y, swatch, swatch}, part_colour(n));
    const std::string text = std::to_string(chosen[n]) + " " + car.parts[chosen[n]].name;
    draw_text(canvas, x + swatch + 2 * layout.scale, y, text, layout.scale, kLabel,
              x + column_width - layout.margin);
  }
}

}  // namespace

Rgb part_colour(std::size_t n) { return kPartColours[n % kPartColours.size()]; }

CarViews render_car_views(const FceCar& car, const RgbaPicture& texture,
                          const CarViewOptions& options) {
  assert(options.width >= kMinPictureWidth && options.width <= kMaxPictureWidth);
  assert(car.normals.size() == car.vertices.size());
  const std::vector<std::size_t> chosen = parts_to_draw(car);
  const Layout layout = lay_out(options.width, options.colour_parts ? chosen.size() : 0);
  Canvas canvas(options.width, layout.legend.y + layout.legend.height, kBackground);

  Box box;
  std::int64_t triangles = 0;
  for_each_triangle(car, chosen, false, [&](const DrawTriangle& triangle) {
    ++triangles;
    for (const Vec3d& corner : triangle.corners) {
      if (finite(corner)) box.add(corner);
    }
  });
  if (box.empty()) box.add({});

  const int line = std::max(1, options.width / 512);
  for (std::size_t i = 0; i < kViews.size(); ++i) {
    const PixelRect& cell = layout.cells[i];
    Camera camera = aim(kViews[i], box);
    frame(camera, car, chosen, cell, layout);
    if (kViews[i] == View::side || kViews[i] == View::front) {
      draw_ground_line(canvas, cell, camera, box.low.y, line);
    }
    // Every triangle costs at least a step, and its rows and pixels more; a file whose
    // triangles cover a view far more often than any car's do is refused before it can keep
    // the program busy for long.
    const std::int64_t budget = kMaxCoverage * (std::int64_t{cell.width} * cell.height + 1);
    std::int64_t work = 0;
    for_each_triangle(car, chosen, options.colour_parts, [&](const DrawTriangle& triangle) {
      if (work > budget) return;
      work += draw_triangle(canvas, cell, camera, triangle, &texture);
    });
    if (work > budget) {
      throw MalformedFile("the triangles of the FCE file cover the " + std::string(kViewNames[i]) +
                          " view more than " + std::to_string(kMaxCoverage) +
                          " times over; no car does");
    }
    draw_text(canvas, cell.x + layout.margin, cell.y + layout.margin / 2, kViewNames[i],
              layout.scale, kLabel, cell.x + cell.width);
  }
  // Thin lines between the cells.
  const int half = options.width / 2;
  canvas.fill({half, 0, line, layout.cells[2].y + layout.cells[2].height}, kSeparator);
  canvas.fill({0, layout.cells[2].y, options.width, line}, kSeparator);
  if (options.colour_parts) {
    canvas.fill({0, layout.legend.y, options.width, line}, kSeparator);
    draw_legend(canvas, layout, car, chosen);
  }
  return {std::move(canvas.picture), static_cast<int>(chosen.size()), triangles};
}

}  // namespace tromvex
