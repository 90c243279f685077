// Assembles GEO car mesh images in code.
#include "support/geo_builder.hpp"

#include <cstring>
#include <stdexcept>

namespace tromvex::test {
namespace {

// The number of vertices the block of `part` holds.
std::size_t stored_vertex_count(const GeoPartSpec& part) {
  if (part.vertex_count < 0) return part.vertices.size();
  const auto even =
      static_cast<std::size_t>(part.vertex_count) + static_cast<std::size_t>(part.vertex_count & 1);
  if (part.vertices.size() > even)
    throw std::invalid_argument("more vertices than the part's count holds");
  return even;
}

std::size_t part_block_size(const GeoPartSpec& part) {
  return kGeoBuilderPartHeaderSize + stored_vertex_count(part) * kGeoBuilderVertexSize +
         part.polygons.size() * kGeoBuilderPolygonSize;
}

void fill(Bytes& out, std::size_t count, Filler filler) {
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back(static_cast<std::uint8_t>(filler.first + i * filler.step));
  }
}

void put_u32(Bytes& out, std::uint32_t value) {
  out.resize(out.size() + 4);
  write_u32_le(out.data() + out.size() - 4, value);
}

void put_s32(Bytes& out, std::int32_t value) { put_u32(out, static_cast<std::uint32_t>(value)); }

void put_s16(Bytes& out, std::int16_t value) {
  const auto raw = static_cast<std::uint16_t>(value);
  out.push_back(static_cast<std::uint8_t>(raw));
  out.push_back(static_cast<std::uint8_t>(raw >> 8));
}

void put_vertex(Bytes& out, const GeoVertex& vertex) {
  put_s16(out, vertex.x);
  put_s16(out, vertex.y);
  put_s16(out, vertex.z);
}

void put_part(Bytes& out, const GeoPartSpec& part, Filler unread) {
  put_s32(out, part.vertex_count);
  put_s32(out, part.polygon_count.value_or(static_cast<std::int32_t>(part.polygons.size())));
  for (const std::int32_t value : part.position) put_s32(out, value);
  fill(out, kGeoBuilderUnreadSize, unread);
  const std::size_t stored = stored_vertex_count(part);
  for (std::size_t v = 0; v < stored; ++v) {
    put_vertex(out, v < part.vertices.size() ? part.vertices[v] : part.padding);
  }
  for (const GeoPolygonSpec& polygon : part.polygons) {
    put_u32(out, polygon.flags);
    out.insert(out.end(), polygon.indices.begin(), polygon.indices.end());
    out.insert(out.end(), polygon.texture_name.begin(), polygon.texture_name.end());
  }
}

}  // namespace

Bytes build_geo_image(const GeoImageSpec& spec) {
  Bytes out;
  out.reserve(geo_part_offsets(spec).back() + spec.trailer.size());
  fill(out, kGeoBuilderHeaderSize, spec.header);
  for (const GeoPartSpec& part : spec.parts) put_part(out, part, spec.unread_part_bytes);
  out.insert(out.end(), spec.trailer.begin(), spec.trailer.end());
  return out;
}

std::vector<std::size_t> geo_part_offsets(const GeoImageSpec& spec) {
  std::vector<std::size_t> offsets{kGeoBuilderHeaderSize};
  for (const GeoPartSpec& part : spec.parts) {
    offsets.push_back(offsets.back() + part_block_size(part));
  }
  return offsets;
}

TextureName geo_texture_name(const char* text) {
  TextureName name{};
  const std::size_t length = std::strlen(text);
  if (length > name.size())
    throw std::invalid_argument("a texture name has at most four characters");
  std::memcpy(name.data(), text, length);
  return name;
}

}  // namespace tromvex::test
