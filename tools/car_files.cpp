// Writes GEO mesh files and SHPI texture archives from parts and pictures built in code.
#include "tools/car_files.hpp"

#include <cstring>
#include <stdexcept>

namespace tromvex {
namespace {

constexpr std::size_t kGeoHeaderSize = 140;
constexpr std::size_t kGeoPartUnusedSize = 32;
constexpr std::size_t kShpiHeaderSize = 16;
constexpr std::size_t kShpiEntrySize = 8;
constexpr std::size_t kPictureHeaderSize = 16;

void put_u32(Bytes& out, std::uint32_t value) {
  const std::size_t at = out.size();
  out.resize(at + 4);
  write_u32_le(out.data() + at, value);
}

void put_s32(Bytes& out, std::int32_t value) { put_u32(out, static_cast<std::uint32_t>(value)); }

void put_s16(Bytes& out, std::int16_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  out.push_back(static_cast<std::uint8_t>(bits));
  out.push_back(static_cast<std::uint8_t>(bits >> 8));
}

void put_vertex(Bytes& out, const GeoVertex& vertex) {
  put_s16(out, vertex.x);
  put_s16(out, vertex.y);
  put_s16(out, vertex.z);
}

void put_name(Bytes& out, const TextureName& name) {
  for (const std::uint8_t byte : name) out.push_back(byte);
}

std::size_t pixel_data_size(const ShpiPicture& picture) {
  constexpr std::uint8_t kIndexedType = 0x7B;
  constexpr std::size_t kColourBytes = 4;
  const auto pixels = static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
  return picture.type_code == kIndexedType ? pixels : pixels * kColourBytes;
}

}  // namespace

Bytes write_geo_file(std::span<const GeoPartSpec, kGeoPartCount> parts) {
  Bytes out(kGeoHeaderSize, 0);
  for (const GeoPartSpec& part : parts) {
    put_u32(out, static_cast<std::uint32_t>(part.vertices.size()));
    put_u32(out, static_cast<std::uint32_t>(part.polygons.size()));
    for (const std::int32_t coordinate : part.position) put_s32(out, coordinate);
    out.resize(out.size() + kGeoPartUnusedSize, 0);
    for (const GeoVertex& vertex : part.vertices) put_vertex(out, vertex);
    // The vertex block always holds an even number of vertices.
    if (part.vertices.size() % 2 != 0) put_vertex(out, GeoVertex{});
    for (const GeoPolygonSpec& polygon : part.polygons) {
      put_u32(out, polygon.flags);
      out.insert(out.end(), polygon.indices.begin(), polygon.indices.end());
      put_name(out, polygon.texture);
    }
  }
  return out;
}

Bytes write_shpi_archive(std::span<const ShpiPicture> pictures) {
  std::size_t length = kShpiHeaderSize + kShpiEntrySize * pictures.size();
  for (const ShpiPicture& picture : pictures) {
    if (picture.pixels.size() != pixel_data_size(picture)) {
      throw std::invalid_argument("a picture's pixel data does not match its size and type");
    }
    length += kPictureHeaderSize + picture.pixels.size();
  }

  Bytes out;
  out.reserve(length);
  put_name(out, texture_name("SHPI"));
  put_u32(out, static_cast<std::uint32_t>(length));
  put_u32(out, static_cast<std::uint32_t>(pictures.size()));
  put_name(out, texture_name("GIMX"));
  std::size_t offset = kShpiHeaderSize + kShpiEntrySize * pictures.size();
  for (const ShpiPicture& picture : pictures) {
    put_name(out, picture.name);
    put_u32(out, static_cast<std::uint32_t>(offset));
    offset += kPictureHeaderSize + picture.pixels.size();
  }
  for (const ShpiPicture& picture : pictures) {
    out.push_back(picture.type_code);
    out.push_back(0);  // the type word's high byte
    put_s16(out, 0);   // unused
    put_s16(out, picture.width);
    put_s16(out, picture.height);
    put_s16(out, 0);  // the two placement values the converter overwrites
    put_s16(out, 0);
    put_u32(out, 0);  // header word
    out.insert(out.end(), picture.pixels.begin(), picture.pixels.end());
  }
  return out;
}

TextureName texture_name(const char* text) {
  TextureName name{};
  const std::size_t length = std::strlen(text);
  if (length > name.size()) throw std::invalid_argument("a texture name has at most 4 characters");
  std::memcpy(name.data(), text, length);
  return name;
}

}  // namespace tromvex
