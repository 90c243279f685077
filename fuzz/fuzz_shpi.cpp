// Fuzz target for read_shpi_directory, the reader of SHPI texture archives.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the archive is accepted, what the atlas, the TGA image and the mesh rely on:
// - one record per directory entry but the last (entry count at offset 8, less one), so at
//   least the palette record 0;
// - every width and height >= 0;
// - every record's pixel copy is width x height bytes for type word 123, four times that for
//   any other type word;
// - all pixel copies together hold no more bytes than the archive itself, so a file costs at
//   most about its own size again in records.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.hpp"
#include "fuzz_check.hpp"
#include "texture/shpi.hpp"

namespace {

constexpr std::size_t kEntryCountOffset = 8;
constexpr std::int32_t kIndexedType = 123;
constexpr std::uint64_t kBytesPerColour = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  std::vector<TextureRecord> records;
  const std::span<const std::uint8_t> archive(data, size);
  if (!fuzz::accepts([&] { records = read_shpi_directory(archive); })) return 0;

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
