// Reads the directory of an SHPI texture archive.
#include "texture/shpi.hpp"

#include <algorithm>
#include <cstddef>
#include <string>

#include "common/byte_reader.hpp"
#include "common/malformed_file.hpp"

namespace tromvex {

namespace {

// The layout is described in docs/formats.md, "SHPI texture archive".
// Archive header: "SHPI", a length we do not trust, the entry count, and a tag we ignore.
constexpr std::size_t kArchiveHeaderSize = 16;
constexpr std::size_t kEntryCountOffset = 8;
constexpr std::size_t kDirectoryEntrySize = 8;  // four name bytes, then the picture's offset
// The palette is entry 0, and the last entry never becomes a record.
constexpr std::int32_t kMinEntryCount = 2;

// Picture header: type word, two unread bytes, width, height, the two 16-bit values that
// seed the atlas place, and a header word; the pixel data follows.
constexpr std::size_t kPictureUnreadSize = 2;
constexpr std::int32_t kIndexedType = 123;  // one palette index a pixel; bytes 0x7B 0x00 only
constexpr std::uint64_t kIndexedPixelSize = 1;
constexpr std::uint64_t kColourPixelSize = 4;

std::int32_t read_entry_count(std::span<const std::uint8_t> archive) {
  if (archive.size() < kArchiveHeaderSize) {
    throw MalformedFile("the texture archive is " + std::to_string(archive.size()) +
                        " bytes long, too short for its " + std::to_string(kArchiveHeaderSize) +
                        "-byte header");
  }
  ByteReader reader(archive, "the texture archive's header");
  reader.seek(kEntryCountOffset);
  const std::int32_t entry_count = reader.s32();
  if (entry_count < kMinEntryCount) {
    throw MalformedFile("the texture archive holds " + std::to_string(entry_count) +
                        (entry_count == 1 ? " entry" : " entries") +
                        "; at least 2 are needed (a palette and one closing entry)");
  }
  return entry_count;
}

// Every entry but the last is read, so those must lie inside the archive; checked before the
// table is allocated, so a huge count in a tiny file costs nothing.
void check_directory_fits(std::span<const std::uint8_t> archive, std::int32_t entry_count) {
  const auto read_entries = static_cast<std::size_t>(entry_count - 1);
  if (read_entries > (archive.size() - kArchiveHeaderSize) / kDirectoryEntrySize) {
    throw MalformedFile("the directory of the texture archive (" + std::to_string(entry_count) +
                        " entries) ends past its end");
  }
}

void check_size(const std::string& subject, const char* what, std::int32_t value) {
  if (value < 0) {
    throw MalformedFile(subject + " has a negative " + what + " (" + std::to_string(value) + ")");
  }
}

// Reads picture `index` at `offset` into a record. `pixel_total` adds up the pixel data of
// every picture read so far: more pixel data than the archive holds means pictures share
// bytes, which would let a small file cost many times its size in atlas work.
TextureRecord read_picture(std::span<const std::uint8_t> archive, std::size_t index,
                           const TextureName& name, std::uint32_t offset,
                           std::uint64_t& pixel_total) {
  const std::string subject = picture_subject(index, name);
  ByteReader reader(archive, subject);
  reader.seek(offset);

  TextureRecord record;
  record.name = name;
  record.type = reader.s16();
  reader.skip(kPictureUnreadSize);
  record.width = reader.s16();
  record.height = reader.s16();
  record.atlas_x = reader.s16();
  record.atlas_y = reader.s16();
  record.header_word = reader.u32();
  check_size(subject, "width", record.width);
  check_size(subject, "height", record.height);

  const std::uint64_t pixel_size =
      record.type == kIndexedType ? kIndexedPixelSize : kColourPixelSize;
  const std::uint64_t length = static_cast<std::uint64_t>(record.width) *
                               static_cast<std::uint64_t>(record.height) * pixel_size;
  if (length > reader.remaining()) {
    throw MalformedFile(subject + " ends past its end");
  }
  pixel_total += length;
  if (pixel_total > archive.size()) {
    throw MalformedFile(subject + " overlaps others: the pixel data of pictures 0 to " +
                        std::to_string(index) + " add up to more than the archive's " +
                        std::to_string(archive.size()) + " bytes");
  }
  record.pixels = reader.take(static_cast<std::size_t>(length));
  return record;
}

}  // namespace

std::string picture_subject(std::size_t index, const TextureName& name) {
  return "picture " + std::to_string(index) + " ('" + printable_name(name) +
         "') of the texture archive";
}

std::vector<TextureRecord> read_shpi_directory(std::span<const std::uint8_t> archive) {
  const std::int32_t entry_count = read_entry_count(archive);
  check_directory_fits(archive, entry_count);

  const auto texture_count = static_cast<std::size_t>(entry_count - 1);
  std::vector<TextureRecord> records;
  records.reserve(texture_count);
  ByteReader directory(archive, "the directory of the texture archive");
  directory.seek(kArchiveHeaderSize);
  std::uint64_t pixel_total = 0;
  for (std::size_t index = 0; index < texture_count; ++index) {
    TextureName name{};
    const auto name_bytes = directory.take(name.size());
    std::copy(name_bytes.begin(), name_bytes.end(), name.begin());
    const std::uint32_t offset = directory.u32();
    records.push_back(read_picture(archive, index, name, offset, pixel_total));
  }
  return records;
}

}  // namespace tromvex
