// A small scanline rasteriser: textured, lit triangles with a depth buffer.
#include "render/raster.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <utility>

namespace tromvex {
namespace {

// The share of a colour that a face lit edge-on still shows.
constexpr double kAmbient = 0.35;
// Nearer than this (in world units along the view) a perspective eye draws nothing.
constexpr double kNearest = 1e-6;
constexpr Rgb kWhite{255, 255, 255};
// Depths are kept as floats; nearer than the largest float is as near as it.
constexpr double kFloatMax = std::numeric_limits<float>::max();

// A corner as the picture sees it: its position in pixels, its nearness (larger is nearer,
// linear across the picture), 1 / depth for perspective (1 otherwise) and u, v and the light's
// shade times that.
struct ScreenCorner {
  double x = 0.0;
  double y = 0.0;
  double nearness = 0.0;
  double inverse_depth = 1.0;
  double u_over_depth = 0.0;
  double v_over_depth = 0.0;
  double shade_over_depth = 0.0;
};

bool finite(double value) { return std::isfinite(value); }

bool project(const Camera& camera, Vec3d point, float u, float v, double shade, ScreenCorner& out) {
  const Vec3d d = point - camera.eye;
  const double across = dot(d, camera.right);
  const double along = dot(d, camera.up);
  const double depth = dot(d, camera.forward);
  if (camera.perspective) {
    if (!(depth > kNearest)) return false;
    out.inverse_depth = 1.0 / depth;
    out.x = camera.centre_x + camera.scale * across * out.inverse_depth;
    out.y = camera.centre_y - camera.scale * along * out.inverse_depth;
    out.nearness = out.inverse_depth;
  } else {
    out.inverse_depth = 1.0;
    out.x = camera.centre_x + camera.scale * across;
    out.y = camera.centre_y - camera.scale * along;
    out.nearness = -depth;
  }
  out.u_over_depth = static_cast<double>(u) * out.inverse_depth;
  out.v_over_depth = static_cast<double>(v) * out.inverse_depth;
  out.shade_over_depth = shade * out.inverse_depth;
  return finite(out.x) && finite(out.y) && finite(out.nearness);
}

// A texture coordinate clamped to [0, 1]; one that is not a number counts as 0.
double clamp_unit(double value) {
  if (!(value > 0.0)) return 0.0;
  return std::min(value, 1.0);
}

// The texel nearest to (u, v), v counted up from the bottom row; null for no texture.
const std::uint8_t* texel(const RgbaPicture* texture, double u, double v) {
  if (texture == nullptr || texture->width <= 0 || texture->height <= 0) return nullptr;
  const double width = texture->width;
  const double height = texture->height;
  const double column = std::min(std::floor(clamp_unit(u) * width), width - 1.0);
  const double row = std::min(std::floor((1.0 - clamp_unit(v)) * height), height - 1.0);
  const auto index = static_cast<std::size_t>(row) * static_cast<std::size_t>(texture->width) +
                     static_cast<std::size_t>(column);
  return texture->pixels.data() + 4 * index;
}

std::uint8_t shaded(std::uint8_t channel, double shade) {
  return static_cast<std::uint8_t>(std::min(255.0, static_cast<double>(channel) * shade + 0.5));
}

// The coefficients of one edge function, a x + b y + c: zero on the edge from p to q,
// positive on the side of the triangle's third corner once the triangle turns positively.
struct Edge {
  double a = 0.0;
  double b = 0.0;
  double c = 0.0;
};

Edge edge_through(const ScreenCorner& p, const ScreenCorner& q) {
  return {p.y - q.y, q.x - p.x, (q.y - p.y) * p.x - (q.x - p.x) * p.y};
}

// The pixel index of the first centre at or after position (or the last at or before it),
// kept inside [low, high] before it becomes an integer.
int first_centre_at_or_after(double position, int low, int high) {
  const double index = std::ceil(position - 0.5);
  if (!(index > low)) return low;
  return index > high ? high + 1 : static_cast<int>(index);
}
int last_centre_at_or_before(double position, int low, int high) {
  const double index = std::floor(position - 0.5);
  if (!(index < high)) return high;
  return index < low ? low - 1 : static_cast<int>(index);
}

// The side of a triangle the viewer sees: whether it is the front (the side the game shows,
// which the stored normal points away from) and its unit normal, pointing at the viewer.
struct SeenSide {
  bool front = true;
  Vec3d normal;
};

// The side the viewer sees, or nothing when the triangle is not drawn: it shows its back and
// is not two-sided, it is seen edge-on, or a corner is not finite.
std::optional<SeenSide> seen_side(const Camera& camera, const DrawTriangle& triangle) {
  const auto& [p0, p1, p2] = triangle.corners;
  const Vec3d normal = cross(p1 - p0, p2 - p0);
  const double facing =
      camera.perspective ? dot(normal, p0 - camera.eye) : dot(normal, camera.forward);
  if (!finite(facing) || facing == 0.0) return std::nullopt;
  if (facing < 0.0 && !triangle.two_sided) return std::nullopt;
  const bool front = facing > 0.0;
  return SeenSide{front, normalized(front ? normal * -1.0 : normal)};
}

// The share of a colour a surface shows whose normal (of length 1, facing the viewer) is
// turned so to the light.
double shade_for(const Camera& camera, const Vec3d& normal) {
  return kAmbient + (1.0 - kAmbient) * std::max(0.0, dot(normal, camera.light));
}

// The shade at each corner: the face's own for flat light; for smooth light each corner's
// normal, turned to the side seen, or the face's where that normal is zero or not finite.
std::array<double, 3> corner_shades(const Camera& camera, const DrawTriangle& triangle,
                                    const SeenSide& side) {
  const double face = shade_for(camera, side.normal);
  std::array<double, 3> shades{face, face, face};
  if (!triangle.smooth) return shades;
  for (std::size_t i = 0; i < 3; ++i) {
    const Vec3d normal = normalized(triangle.normals[i]);
    if (!finite(dot(normal, normal)) || dot(normal, normal) == 0.0) continue;
    shades[i] = shade_for(camera, side.front ? normal : normal * -1.0);
  }
  return shades;
}

// Twice the area of the projected triangle, positive when its corners turn positively.
double signed_area(const std::array<ScreenCorner, 3>& s) {
  return (s[1].x - s[0].x) * (s[2].y - s[0].y) - (s[2].x - s[0].x) * (s[1].y - s[0].y);
}

// Orders the corners to turn positively, so that every edge function is positive inside;
// false when they enclose no area.
bool turn_positively(std::array<ScreenCorner, 3>& s) {
  const double area = signed_area(s);
  if (!finite(area) || area == 0.0) return false;
  if (area < 0.0) std::swap(s[1], s[2]);
  return true;
}

// Coverage: calls plot(column, row, weights) for every pixel centre of the cell inside the
// projected triangle s (turned positively), row by row, with its corners' weights there
// (their sum is 1). Returns the work done: the rows and pixel centres looked at.
template <typename Plot>
std::int64_t cover(const std::array<ScreenCorner, 3>& s, const PixelRect& cell, const Plot& plot) {
  std::int64_t work = 0;
  const double inverse_area = 1.0 / signed_area(s);
  // Edge i lies opposite corner i; its function, divided by the area, is corner i's weight.
  const std::array<Edge, 3> edges{edge_through(s[1], s[2]), edge_through(s[2], s[0]),
                                  edge_through(s[0], s[1])};

  const int cell_right = cell.x + cell.width - 1;
  const int cell_bottom = cell.y + cell.height - 1;
  const double top = std::min({s[0].y, s[1].y, s[2].y});
  const double bottom = std::max({s[0].y, s[1].y, s[2].y});
  const int first_row = first_centre_at_or_after(top, cell.y, cell_bottom);
  const int last_row = last_centre_at_or_before(bottom, cell.y, cell_bottom);

  for (int row = first_row; row <= last_row; ++row) {
    ++work;
    const double y = row + 0.5;
    // The span of pixel centres inside all three edges on this row.
    double left = cell.x + 0.5;
    double right = cell_right + 0.5;
    std::array<double, 3> at_row{};
    bool empty = false;
    for (std::size_t i = 0; i < 3; ++i) {
      at_row[i] = edges[i].b * y + edges[i].c;
      if (edges[i].a > 0.0) {
        left = std::max(left, -at_row[i] / edges[i].a);
      } else if (edges[i].a < 0.0) {
        right = std::min(right, -at_row[i] / edges[i].a);
      } else if (at_row[i] < 0.0) {
        empty = true;
      }
    }
    if (empty || !(left <= right)) continue;
    const int first_column = first_centre_at_or_after(left, cell.x, cell_right);
    const int last_column = last_centre_at_or_before(right, cell.x, cell_right);
    work += std::max(0, last_column - first_column + 1);

    for (int column = first_column; column <= last_column; ++column) {
      const double x = column + 0.5;
      std::array<double, 3> weight{};
      for (std::size_t i = 0; i < 3; ++i)
        weight[i] = std::max(0.0, edges[i].a * x + at_row[i]) * inverse_area;
      plot(column, row, weight);
    }
  }
  return work;
}

// Shading: the colour of one covered pixel, from the corners' depths, texture coordinates and
// shades, kept where it lies nearer than what the pixel shows.
struct PixelShader {
  Canvas& canvas;
  const DrawTriangle& triangle;
  const RgbaPicture* texture;
  const std::array<ScreenCorner, 3>& corners;
  double flat_shade;  // the shade of every pixel, unless the light is smooth

  // The corners' values of a field, weighted and summed.
  template <typename Field>
  double blend(const std::array<double, 3>& weight, Field field) const {
    return weight[0] * corners[0].*field + weight[1] * corners[1].*field +
           weight[2] * corners[2].*field;
  }

  void operator()(int column, int row, const std::array<double, 3>& weight) const {
    const std::size_t index =
        static_cast<std::size_t>(row) * static_cast<std::size_t>(canvas.picture.width) +
        static_cast<std::size_t>(column);
    const auto depth = static_cast<float>(
        std::clamp(blend(weight, &ScreenCorner::nearness), -kFloatMax, kFloatMax));
    if (!(depth > canvas.depth[index])) return;

    // Perspective-correct: what is linear across the picture is each value over the depth.
    const double inverse_depth = blend(weight, &ScreenCorner::inverse_depth);
    const double u = blend(weight, &ScreenCorner::u_over_depth) / inverse_depth;
    const double v = blend(weight, &ScreenCorner::v_over_depth) / inverse_depth;
    const std::uint8_t* sample = texel(texture, u, v);
    if (sample != nullptr && sample[3] == 0) return;  // a cut-out: what lies behind shows
    Rgb colour = kWhite;
    if (triangle.flat) {
      colour = triangle.flat_colour;
    } else if (sample != nullptr) {
      colour = {sample[0], sample[1], sample[2]};
    }
    const double shade = triangle.smooth
                             ? blend(weight, &ScreenCorner::shade_over_depth) / inverse_depth
                             : flat_shade;
    canvas.depth[index] = depth;
    canvas.set_pixel(
        column, row,
        {shaded(colour.red, shade), shaded(colour.green, shade), shaded(colour.blue, shade)});
  }
};

}  // namespace

Canvas::Canvas(int width, int height, Rgb background)
    : picture{width, height,
              std::vector<std::uint8_t>(static_cast<std::size_t>(width) *
                                        static_cast<std::size_t>(height) * 4)},
      depth(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
            -std::numeric_limits<float>::infinity()) {
  fill({0, 0, width, height}, background);
}

void Canvas::set_pixel(int x, int y, Rgb colour) {
  if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return;
  std::uint8_t* p = picture.pixels.data() +
                    4 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                         static_cast<std::size_t>(x));
  p[0] = colour.red;
  p[1] = colour.green;
  p[2] = colour.blue;
  p[3] = 255;
}

void Canvas::fill(const PixelRect& rect, Rgb colour) {
  const int x0 = std::max(rect.x, 0);
  const int y0 = std::max(rect.y, 0);
  const int x1 = std::min(rect.x + rect.width, picture.width);
  const int y1 = std::min(rect.y + rect.height, picture.height);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) set_pixel(x, y, colour);
  }
}

std::int64_t draw_triangle(Canvas& canvas, const PixelRect& cell, const Camera& camera,
                           const DrawTriangle& triangle, const RgbaPicture* texture) {
  constexpr std::int64_t kSetUp = 1;
  const std::optional<SeenSide> side = seen_side(camera, triangle);
  if (!side) return kSetUp;
  const std::array<double, 3> shades = corner_shades(camera, triangle, *side);
  std::array<ScreenCorner, 3> corners;
  for (std::size_t i = 0; i < 3; ++i) {
    if (!project(camera, triangle.corners[i], triangle.u[i], triangle.v[i], shades[i], corners[i]))
      return kSetUp;
  }
  if (!turn_positively(corners)) return kSetUp;
  const PixelShader shader{canvas, triangle, texture, corners, shades[0]};
  return kSetUp + cover(corners, cell, shader);
}

}  // namespace tromvex
