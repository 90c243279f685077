// Fuzz target for read_geo_mesh, the reader of GEO car meshes, over a small texture table.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the mesh is accepted, what the FCE assembly relies on:
// - exactly 26 parts;
// - every part's vertices.size() == vertex_count and polygons.size() == polygon_count, both
//   counts >= 0; vertex_count is even; part 0 begins with its 10 added (0, 0, 0) vertices;
// - every polygon index is its file byte, plus 10 in part 0;
// - every polygon's texture link is null or points into the texture table, at the record that
//   a plain linear scan of the names finds for its name, and the missing-texture callback ran
//   once per null link;
// - the vertices and polygons together are no more than the image's bytes can hold, so a file
//   costs memory in proportion to its size.
// Differentially, against a plain walk of the part blocks below: the image is accepted exactly
// when all 26 blocks, with non-negative counts, fit in it; then every count, position, vertex,
// flags word, index and name is the one the file holds.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/bytes.hpp"
#include "fuzz_check.hpp"
#include "mesh/geo.hpp"

namespace {

using tromvex::TextureRecord;

constexpr std::size_t kFirstPartOffset = 140;
constexpr std::size_t kPartHeaderSize = 52;
constexpr std::size_t kVertexFileSize = 6;
constexpr std::size_t kPolygonFileSize = 12;
constexpr std::int32_t kPart0AddedVertices = 10;
constexpr std::int32_t kLargestIndexByte = 255;

// A palette and three textures; "wgl0" twice, so the later one must win. The names are also
// in the dictionary, so the fuzzer finds matching polygons.
std::vector<TextureRecord> make_texture_table() {
  const auto record = [](const char(&name)[5]) {
    TextureRecord texture;
    texture.name = {static_cast<std::uint8_t>(name[0]), static_cast<std::uint8_t>(name[1]),
                    static_cast<std::uint8_t>(name[2]), static_cast<std::uint8_t>(name[3])};
    return texture;
  };
  return {record("!pal"), record("wgl0"), record("ab\0x"), record("wgl0")};
}

// Whether two texture names are equal as strings of at most 4 characters: bytes after a NUL
// do not count.
bool same_texture_name(const tromvex::TextureName& a, const tromvex::TextureName& b) {
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (a[k] != b[k]) return false;
    if (a[k] == 0) return true;
  }
  return true;
}

// The record a polygon's name links to, found without the reader's lookup: the highest-numbered
// record after the palette (record 0) with that name, or -1.
std::int32_t scan_for_texture(const tromvex::TextureName& name,
                              const std::vector<TextureRecord>& textures) {
  std::int32_t found = -1;
  for (std::size_t i = 1; i < textures.size(); ++i) {
    if (same_texture_name(name, textures[i].name)) found = static_cast<std::int32_t>(i);
  }
  return found;
}

// Compares one part as the reader returned it with its block in the file, which fits.
void compare_part(const std::uint8_t* block, const tromvex::GeoPart& part, std::int32_t shift) {
  using namespace tromvex;
  const auto s32 = [block](std::size_t offset) {
    return static_cast<std::int32_t>(read_u32_le(block + offset));
  };
  const std::int32_t vertex_count = s32(0);
  const std::int32_t polygon_count = s32(4);
  const std::uint64_t stored = static_cast<std::uint64_t>(vertex_count) + (vertex_count & 1);
  FUZZ_CHECK(part.vertex_count == static_cast<std::int32_t>(stored) + shift);
  FUZZ_CHECK(part.polygon_count == polygon_count);
  FUZZ_CHECK(part.position.x == static_cast<float>(s32(8) / 256.0));
  FUZZ_CHECK(part.position.y == static_cast<float>(s32(12) / 256.0));
  FUZZ_CHECK(part.position.z == static_cast<float>(s32(16) / 256.0));
  const std::uint8_t* item = block + kPartHeaderSize;
  for (std::uint64_t v = 0; v < stored; ++v, item += kVertexFileSize) {
    const GeoVertex& vertex =
        part.vertices[static_cast<std::size_t>(v) + static_cast<std::size_t>(shift)];
    FUZZ_CHECK(vertex.x == read_s16_le(item) && vertex.y == read_s16_le(item + 2) &&
               vertex.z == read_s16_le(item + 4));
  }
  for (const GeoPolygon& polygon : part.polygons) {
    FUZZ_CHECK(polygon.flags == read_u32_le(item));
    for (std::size_t corner = 0; corner < 4; ++corner) {
      FUZZ_CHECK(polygon.indices[corner] == item[4 + corner] + shift);
      FUZZ_CHECK(polygon.texture_name[corner] == item[8 + corner]);
    }
    item += kPolygonFileSize;
  }
}

// Walks the 26 part blocks with plain bounds checks and, unless parts is empty (the reader
// refused the image), compares each with what the reader returned. Returns whether all 26
// blocks, with non-negative counts, fit in the image.
bool plain_walk_fits(const std::uint8_t* data, std::size_t size,
                     const std::vector<tromvex::GeoPart>& parts) {
  using namespace tromvex;
  std::size_t at = kFirstPartOffset;
  const auto s32 = [data](std::size_t offset) {
    return static_cast<std::int32_t>(read_u32_le(data + offset));
  };
  for (std::size_t p = 0; p < static_cast<std::size_t>(kGeoPartCount); ++p) {
    if (at > size || size - at < kPartHeaderSize) return false;
    const std::int32_t vertex_count = s32(at);
    const std::int32_t polygon_count = s32(at + 4);
    if (vertex_count < 0 || polygon_count < 0) return false;
    const std::uint64_t stored = static_cast<std::uint64_t>(vertex_count) + (vertex_count & 1);
    const std::uint64_t block = kPartHeaderSize + stored * kVertexFileSize +
                                static_cast<std::uint64_t>(polygon_count) * kPolygonFileSize;
    if (block > size - at) return false;
    if (!parts.empty()) compare_part(data + at, parts[p], p == 0 ? kPart0AddedVertices : 0);
    at += static_cast<std::size_t>(block);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  static const std::vector<TextureRecord> textures = make_texture_table();
  std::vector<GeoPart> parts;
  struct : MissingTextureSink {
    void missing_texture() override { ++count; }
    std::size_t count = 0;
  } missing;
  const std::span<const std::uint8_t> image(data, size);
  if (!fuzz::accepts([&] { parts = read_geo_mesh(image, textures, missing); })) {
    FUZZ_CHECK(missing.count == 0);  // a rejected file reports no missing textures
    FUZZ_CHECK(!plain_walk_fits(data, size, parts));
    return 0;
  }

  FUZZ_CHECK(parts.size() == static_cast<std::size_t>(kGeoPartCount));
  FUZZ_CHECK(plain_walk_fits(data, size, parts));
  std::size_t unlinked = 0;
  std::size_t file_bytes = 0;
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const GeoPart& part = parts[p];
    FUZZ_CHECK(part.vertex_count >= 0 && part.polygon_count >= 0);
    FUZZ_CHECK(part.vertex_count % 2 == 0);
    FUZZ_CHECK(part.vertices.size() == static_cast<std::size_t>(part.vertex_count));
    FUZZ_CHECK(part.polygons.size() == static_cast<std::size_t>(part.polygon_count));
    std::size_t file_vertices = part.vertices.size();
    if (p == 0) {
      FUZZ_CHECK(part.vertex_count >= kPart0AddedVertices);
      for (std::int32_t v = 0; v < kPart0AddedVertices; ++v) {
        FUZZ_CHECK(part.vertices[static_cast<std::size_t>(v)] == GeoVertex{});
      }
      file_vertices -= kPart0AddedVertices;
    }
    file_bytes += file_vertices * kVertexFileSize + part.polygons.size() * kPolygonFileSize;
    const std::int32_t index_shift = p == 0 ? kPart0AddedVertices : 0;
    for (const GeoPolygon& polygon : part.polygons) {
      for (const std::int32_t index : polygon.indices) {
        FUZZ_CHECK(index >= index_shift && index <= index_shift + kLargestIndexByte);
      }
      const std::int32_t found = scan_for_texture(polygon.texture_name, textures);
      if (polygon.texture == nullptr) {
        FUZZ_CHECK(found == -1);
        ++unlinked;
      } else {
        FUZZ_CHECK(polygon.texture >= textures.data() + 1);
        FUZZ_CHECK(polygon.texture < textures.data() + textures.size());
        FUZZ_CHECK(polygon.texture - textures.data() == found);
      }
    }
  }
  FUZZ_CHECK(unlinked == missing.count);
  FUZZ_CHECK(file_bytes <= size);
  return 0;
}
