// Writes GEO mesh files and SHPI texture archives from parts and pictures described in code.
#include "tools/car_files.hpp"

#include <cstring>
#include <stdexcept>

namespace tromvex {
namespace {

constexpr char kClosingEntryName[] = "LAST";

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

void put_name(Bytes& out, const std::string& name) {
  if (name.size() != 4) throw std::invalid_argument("an SHPI name is 4 bytes: '" + name + "'");
  out.insert(out.end(), name.begin(), name.end());
}

void fill(Bytes& out, std::size_t count, ByteFiller filler) {
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back(static_cast<std::uint8_t>(filler.first + i * filler.step));
  }
}

// The number of vertices the block of `part` holds: an odd count carries one more.
std::size_t stored_vertex_count(const GeoFilePart& part) {
  if (part.vertex_count < 0) return part.vertices.size();
  const auto even =
      static_cast<std::size_t>(part.vertex_count) + static_cast<std::size_t>(part.vertex_count & 1);
  if (part.vertices.size() > even) {
    throw std::invalid_argument("more vertices than the part's count holds");
  }
  return even;
}

std::size_t part_block_size(const GeoFilePart& part) {
  return kGeoFilePartHeaderSize + stored_vertex_count(part) * kGeoFileVertexSize +
         part.polygons.size() * kGeoFilePolygonSize;
}

void put_vertex(Bytes& out, const GeoVertex& vertex) {
  put_s16(out, vertex.x);
  put_s16(out, vertex.y);
  put_s16(out, vertex.z);
}

void put_part(Bytes& out, const GeoFilePart& part, ByteFiller unread) {
  put_s32(out, part.vertex_count);
  put_s32(out, part.polygon_count.value_or(static_cast<std::int32_t>(part.polygons.size())));
  for (const std::int32_t value : part.position) put_s32(out, value);
  fill(out, kGeoFileUnreadSize, unread);
  const std::size_t stored = stored_vertex_count(part);
  for (std::size_t v = 0; v < stored; ++v) {
    put_vertex(out, v < part.vertices.size() ? part.vertices[v] : part.padding);
  }
  for (const GeoFilePolygon& polygon : part.polygons) {
    put_u32(out, polygon.flags);
    out.insert(out.end(), polygon.indices.begin(), polygon.indices.end());
    out.insert(out.end(), polygon.texture_name.begin(), polygon.texture_name.end());
  }
}

void put_picture(Bytes& out, const ShpiPicture& picture) {
  out.push_back(picture.type_byte0);
  out.push_back(picture.type_byte1);
  put_s16(out, 0);  // not read
  put_s16(out, picture.width);
  put_s16(out, picture.height);
  put_s16(out, picture.value_at_8);
  put_s16(out, picture.value_at_10);
  put_u32(out, picture.header_word);
  out.insert(out.end(), picture.pixels.begin(), picture.pixels.end());
}

}  // namespace

Bytes write_geo_file(const GeoFile& geo) {
  Bytes out;
  out.reserve(geo_part_offsets(geo).back() + geo.trailer.size());
  fill(out, kGeoFileHeaderSize, geo.header);
  for (const GeoFilePart& part : geo.parts) put_part(out, part, geo.unread_part_bytes);
  out.insert(out.end(), geo.trailer.begin(), geo.trailer.end());
  return out;
}

std::vector<std::size_t> geo_part_offsets(const GeoFile& geo) {
  std::vector<std::size_t> offsets{kGeoFileHeaderSize};
  for (const GeoFilePart& part : geo.parts) {
    offsets.push_back(offsets.back() + part_block_size(part));
  }
  return offsets;
}

Bytes write_shpi_archive(const std::vector<ShpiPicture>& pictures) {
  const std::size_t entry_count = pictures.size() + 1;
  const std::size_t first_picture = kShpiHeaderSize + kShpiEntrySize * entry_count;
  Bytes body;
  std::vector<std::size_t> offsets;
  for (const ShpiPicture& picture : pictures) {
    offsets.push_back(first_picture + body.size());
    put_picture(body, picture);
  }
  const std::size_t total = first_picture + body.size();

  Bytes archive{'S', 'H', 'P', 'I'};
  put_u32(archive, static_cast<std::uint32_t>(total));
  put_u32(archive, static_cast<std::uint32_t>(entry_count));
  archive.insert(archive.end(), {'G', 'I', 'M', 'X'});
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    put_name(archive, pictures[i].name);
    put_u32(archive, static_cast<std::uint32_t>(offsets[i]));
  }
  put_name(archive, kClosingEntryName);
  put_u32(archive, static_cast<std::uint32_t>(total));
  archive.insert(archive.end(), body.begin(), body.end());
  return archive;
}

std::size_t shpi_picture_offset(const Bytes& archive, std::size_t entry) {
  return read_u32_le(archive.data() + kShpiHeaderSize + kShpiEntrySize * entry + 4);
}

TextureName texture_name(const char* text) {
  TextureName name{};
  const std::size_t length = std::strlen(text);
  if (length > name.size()) throw std::invalid_argument("a texture name has at most 4 characters");
  std::memcpy(name.data(), text, length);
  return name;
}

}  // namespace tromvex
