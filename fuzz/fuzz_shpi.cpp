// Fuzz target for read_shpi_directory, the reader of SHPI texture archives.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the archive is accepted, what the atlas, the TGA image and the mesh rely on:
// - one record per directory entry but the last (entry count at offset 8, less one), so at
//   least the palette record 0;
// - every width and height >= 0;
// - every record's pixels are width x height bytes for type word 123, four times that for
//   any other type word;
// - the pixel data of all records together are no more bytes than the archive itself, so
//   overlapping pictures cannot make a small file weigh as much as a large one.
// Differentially, against a plain walk of the directory below: the archive is accepted exactly
// when its header, the directory entries read and every picture with its pixel data fit, no
// width or height is negative and the pixel data add up to no more than the archive; then
// every record holds the name, header fields and pixel bytes that the file holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.hpp"
#include "fuzz_check.hpp"
#include "texture/shpi.hpp"

namespace {

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kEntryCountOffset = 8;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kPictureHeaderSize = 16;
constexpr std::int32_t kIndexedType = 123;
constexpr std::uint64_t kBytesPerColour = 4;

// Walks the directory with plain bounds checks and, unless records is empty (the reader refused
// the archive), compares each record with its picture. Returns whether the archive is one the
// reader must accept.
bool plain_walk_accepts(const std::uint8_t* data, std::size_t size,
                        const std::vector<tromvex::TextureRecord>& records) {
  using tromvex::read_s16_le;
  using tromvex::read_u32_le;
  if (size < kHeaderSize) return false;
  const auto entry_count = static_cast<std::int32_t>(read_u32_le(data + kEntryCountOffset));
  if (entry_count < 2) return false;
  const auto read_entries = static_cast<std::uint64_t>(entry_count) - 1;
  if (read_entries * kEntrySize > size - kHeaderSize) return false;
  std::uint64_t pixel_total = 0;
  for (std::size_t i = 0; i < read_entries; ++i) {
    const std::uint8_t* entry = data + kHeaderSize + kEntrySize * i;
    const std::uint32_t offset = read_u32_le(entry + 4);
    if (offset > size || size - offset < kPictureHeaderSize) return false;
    const std::uint8_t* picture = data + offset;
    const std::int32_t type = read_s16_le(picture);
    const std::int32_t width = read_s16_le(picture + 4);
    const std::int32_t height = read_s16_le(picture + 6);
    if (width < 0 || height < 0) return false;
    const std::uint64_t length = static_cast<std::uint64_t>(width) *
                                 static_cast<std::uint64_t>(height) *
                                 (type == kIndexedType ? 1 : kBytesPerColour);
    if (length > size - offset - kPictureHeaderSize) return false;
    pixel_total += length;
    if (pixel_total > size) return false;
    if (records.empty()) continue;
    const tromvex::TextureRecord& record = records[i];
    FUZZ_CHECK(std::equal(record.name.begin(), record.name.end(), entry));
    FUZZ_CHECK(record.type == type && record.width == width && record.height == height);
    FUZZ_CHECK(record.atlas_x == read_s16_le(picture + 8));
    FUZZ_CHECK(record.atlas_y == read_s16_le(picture + 10));
    FUZZ_CHECK(record.header_word == read_u32_le(picture + 12));
    FUZZ_CHECK(
        std::equal(record.pixels.begin(), record.pixels.end(), picture + kPictureHeaderSize));
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  std::vector<TextureRecord> records;
  const std::span<const std::uint8_t> archive(data, size);
  if (!fuzz::accepts([&] { records = read_shpi_directory(archive); })) {
    FUZZ_CHECK(!plain_walk_accepts(data, size, records));
    return 0;
  }
  FUZZ_CHECK(plain_walk_accepts(data, size, records));

  FUZZ_CHECK(size >= kEntryCountOffset + 4);
  const std::uint32_t entry_count = read_u32_le(data + kEntryCountOffset);
  FUZZ_CHECK(!records.empty());
  FUZZ_CHECK(records.size() == std::size_t{entry_count} - 1);
  std::uint64_t total_pixels = 0;
  for (const TextureRecord& record : records) {
    FUZZ_CHECK(record.width >= 0);
    FUZZ_CHECK(record.height >= 0);
    const std::uint64_t area =
        static_cast<std::uint64_t>(record.width) * static_cast<std::uint64_t>(record.height);
    const std::uint64_t expected = record.type == kIndexedType ? area : area * kBytesPerColour;
    FUZZ_CHECK(record.pixels.size() == expected);
    total_pixels += record.pixels.size();
  }
  FUZZ_CHECK(total_pixels <= size);
  return 0;
}
