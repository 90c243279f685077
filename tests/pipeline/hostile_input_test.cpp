// Hostile input: every prefix and every single-field corruption of a car's files is either
// refused with MalformedFile or converted, never a crash, a stray exception, or a long stall.
#include "pipeline/convert.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "common/bytes.hpp"
#include "common/malformed_file.hpp"
#include "support/car_builder.hpp"
#include "support/reference_decoders.hpp"
#include "support/rejection.hpp"
#include "support/texture_builders.hpp"
#include "texture/tga.hpp"
#include "tools/qfs_compress.hpp"
#include "tools/stream_compress.hpp"

namespace tromvex {
namespace {

using Clock = std::chrono::steady_clock;

// The slowest a single conversion of these small files may take, sanitizers included. The
// real cost is milliseconds; a hostile file that makes the converter loop or allocate without
// bound blows far past it.
constexpr auto kSlowestConversion = std::chrono::seconds(5);

// A car whose files carry bytes the conversion never reads: after the 26th GEO part, and the
// data of the archive's last directory entry (which never becomes a record).
struct HostileCar {
  Bytes geo;
  std::size_t geo_read_end = 0;  // the end of part 25
  Bytes archive;
  std::size_t archive_read_end = 0;  // the end of the last picture read
  Bytes stream;                      // the archive, QFS-compressed with back-references
};

const Bytes kUnreadTail{0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0xFF, 0x7F, 0x80};

HostileCar make_hostile_car() {
  const test::CarFiles files = test::build_small_car();
  HostileCar car;
  car.geo = files.geo_image;
  car.geo_read_end = car.geo.size();
  car.geo.insert(car.geo.end(), kUnreadTail.begin(), kUnreadTail.end());
  car.archive = files.shpi_archive;
  car.archive_read_end = car.archive.size();  // the last entry points here
  car.archive.insert(car.archive.end(), kUnreadTail.begin(), kUnreadTail.end());
  car.stream = qfs_compress(car.archive);
  return car;
}

enum class Outcome { refused, identical, different };

// Tallies what a table of hostile inputs came to.
struct Tally {
  int refused = 0;
  int identical = 0;
  int different = 0;
  Clock::duration slowest{};
  int total() const { return refused + identical + different; }
  // Keeps the counts in the test report (--gtest_output=xml).
  void record() const {
    ::testing::Test::RecordProperty("refused", refused);
    ::testing::Test::RecordProperty("identical", identical);
    ::testing::Test::RecordProperty("different", different);
    ::testing::Test::RecordProperty(
        "slowest_us",
        static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(slowest).count()));
  }
};

// Converts copies of geo and texture held in heap buffers of exactly their size, so that
// AddressSanitizer sees any read past their ends. MalformedFile gives refused; any other
// exception escapes and fails the test.
Outcome convert_exact(std::span<const std::uint8_t> geo, std::span<const std::uint8_t> texture,
                      const CarImages& expected, Tally& tally) {
  const auto geo_buffer = std::make_unique<std::uint8_t[]>(geo.size());
  std::copy(geo.begin(), geo.end(), geo_buffer.get());
  Bytes texture_file(texture.begin(), texture.end());
  ConversionEvents quiet;
  const Clock::time_point start = Clock::now();
  Outcome outcome = Outcome::refused;
  try {
    const CarImages images =
        convert_car({geo_buffer.get(), geo.size()}, std::move(texture_file), quiet);
    EXPECT_EQ(images.tga_image.size(), kTgaFileSize);
    outcome = images.fce_image == expected.fce_image && images.tga_image == expected.tga_image
                  ? Outcome::identical
                  : Outcome::different;
  } catch (const MalformedFile& refusal) {
    EXPECT_STRNE(refusal.what(), "") << "a refusal must say what is wrong";
  }
  const Clock::duration took = Clock::now() - start;
  tally.slowest = std::max(tally.slowest, took);
  EXPECT_LT(took, kSlowestConversion) << "one hostile input took this long to convert";
  (outcome == Outcome::refused     ? tally.refused
   : outcome == Outcome::identical ? tally.identical
                                   : tally.different)++;
  return outcome;
}

class HostileInput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    car_ = new HostileCar(make_hostile_car());
    ConversionEvents quiet;
    expected_ = new CarImages(convert_car(car_->geo, car_->archive, quiet));
  }
  static void TearDownTestSuite() {
    delete car_;
    delete expected_;
  }

  static Outcome convert(std::span<const std::uint8_t> geo, std::span<const std::uint8_t> texture,
                         Tally& tally) {
    return convert_exact(geo, texture, *expected_, tally);
  }

  static HostileCar* car_;
  static CarImages* expected_;
};

HostileCar* HostileInput::car_ = nullptr;
CarImages* HostileInput::expected_ = nullptr;

std::span<const std::uint8_t> prefix(const Bytes& bytes, std::size_t length) {
  return std::span<const std::uint8_t>(bytes).first(length);
}

TEST_F(HostileInput, FullCarConvertsTheSameFromThePlainAndTheCompressedArchive) {
  Tally tally;
  ASSERT_LT(car_->stream.size(), car_->archive.size()) << "the stream should carry back-references";
  EXPECT_EQ(convert(car_->geo, car_->archive, tally), Outcome::identical);
  EXPECT_EQ(convert(car_->geo, car_->stream, tally), Outcome::identical);
}

TEST_F(HostileInput, FullCarConvertsTheSameFromEveryHuffmanAndBtreeForm) {
  Tally tally;
  for (const int magic : {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5}) {
    EXPECT_EQ(convert(car_->geo, huffman_compress(car_->archive, static_cast<std::uint8_t>(magic)),
                      tally),
              Outcome::identical)
        << std::hex << magic;
  }
  for (const DictionaryOrder order :
       {DictionaryOrder::defined_first, DictionaryOrder::defined_last}) {
    EXPECT_EQ(convert(car_->geo, btree_compress(car_->archive, order), tally), Outcome::identical);
  }
}

// Neither scheme has anything to spare at its end: every shorter prefix is refused.
TEST_F(HostileInput, HuffmanAndBtreePrefixesAreRefused) {
  for (const Bytes& stream :
       {huffman_compress(car_->archive, 0x32), btree_compress(car_->archive)}) {
    Tally tally;
    for (std::size_t length = 0; length < stream.size(); ++length) {
      ASSERT_EQ(convert(car_->geo, prefix(stream, length), tally), Outcome::refused)
          << "stream " << std::hex << int{stream[0]} << std::dec << " cut to " << length;
    }
    EXPECT_EQ(convert(car_->geo, stream, tally), Outcome::identical);
  }
}

TEST_F(HostileInput, GeoPrefixIsRefusedUnlessItKeepsAllTwentySixParts) {
  Tally tally;
  for (std::size_t length = 0; length <= car_->geo.size(); ++length) {
    const Outcome expected = length < car_->geo_read_end ? Outcome::refused : Outcome::identical;
    ASSERT_EQ(convert(prefix(car_->geo, length), car_->archive, tally), expected)
        << "GEO cut to " << length << " of " << car_->geo.size() << " bytes";
  }
  tally.record();
  EXPECT_EQ(tally.refused, static_cast<int>(car_->geo_read_end));
  EXPECT_EQ(tally.identical, static_cast<int>(kUnreadTail.size()) + 1);
}

TEST_F(HostileInput, ArchivePrefixIsRefusedUnlessItKeepsEveryPictureRead) {
  Tally tally;
  for (std::size_t length = 0; length <= car_->archive.size(); ++length) {
    const Outcome expected =
        length < car_->archive_read_end ? Outcome::refused : Outcome::identical;
    ASSERT_EQ(convert(car_->geo, prefix(car_->archive, length), tally), expected)
        << "archive cut to " << length << " of " << car_->archive.size() << " bytes";
  }
  tally.record();
  EXPECT_EQ(tally.refused, static_cast<int>(car_->archive_read_end));
  EXPECT_EQ(tally.identical, static_cast<int>(kUnreadTail.size()) + 1);
}

// A stream cut anywhere loses output bytes and is refused, except one that loses only a final
// bare stop command (0xFC, which carries no literal): that one still expands to the archive.
TEST_F(HostileInput, QfsPrefixIsRefusedUnlessOnlyItsBareStopCommandIsCut) {
  const Bytes& stream = car_->stream;
  const bool ends_in_bare_stop = stream.back() == 0xFC;
  Tally tally;
  for (std::size_t length = 0; length <= stream.size(); ++length) {
    const bool whole =
        length == stream.size() || (length + 1 == stream.size() && ends_in_bare_stop);
    ASSERT_EQ(convert(car_->geo, prefix(stream, length), tally),
              whole ? Outcome::identical : Outcome::refused)
        << "QFS stream cut to " << length << " of " << stream.size() << " bytes";
  }
  tally.record();
  EXPECT_EQ(tally.identical, ends_in_bare_stop ? 2 : 1);
}

// The values a hostile file puts into a field: the edges of its range and what wraps around.
constexpr std::uint32_t kWordValues[] = {
    0, 1, 2, 0xFFFFFFFF, 0xFFFFFFFE, 0x7FFFFFFF, 0x80000000, 0x00FFFFFF, 0x10000000, 0x00010000};
constexpr std::uint16_t kHalfValues[] = {0, 1, 0xFFFF, 0x8000, 0x7FFF, 0x0300, 0x0301, 0x00FF};
constexpr std::uint8_t kIndexBytes[] = {0x00, 0x04, 0x7F, 0xFF};
// The first and last byte of each command form, and bytes with every literal count.
constexpr std::uint8_t kCommandBytes[] = {0x00, 0x03, 0x1F, 0x7F, 0x80, 0xBF,
                                          0xC0, 0xDF, 0xE0, 0xFB, 0xFC, 0xFF};

void put_u16(Bytes& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The offsets of the 26 part blocks, found by walking the block sizes the file declares.
std::vector<std::size_t> geo_part_offsets(const Bytes& geo) {
  constexpr std::size_t kFirstPart = 140;
  constexpr std::size_t kPartHeader = 52;
  std::vector<std::size_t> offsets;
  std::size_t at = kFirstPart;
  for (int part = 0; part < kGeoPartCount; ++part) {
    offsets.push_back(at);
    const std::uint32_t vertices = read_u32_le(&geo[at]);
    const std::uint32_t polygons = read_u32_le(&geo[at + 4]);
    at += kPartHeader + 6 * (vertices + (vertices & 1)) + 12 * polygons;
  }
  return offsets;
}

TEST_F(HostileInput, GeoWithOneCorruptedCountPositionOrIndexNeverCrashes) {
  const std::vector<std::size_t> parts = geo_part_offsets(car_->geo);
  Tally tally;
  for (const std::size_t part : parts) {
    for (const std::size_t field :
         {0u, 4u, 8u, 12u, 16u}) {  // vertex count, polygon count, position
      for (const std::uint32_t value : kWordValues) {
        Bytes geo = car_->geo;
        write_u32_le(&geo[part + field], value);
        convert(geo, car_->archive, tally);
      }
    }
  }
  // Part 0 holds 3 (so 4 stored) vertices and two polygons; corrupt each of its index bytes.
  constexpr std::size_t kPart0Polygons = 140 + 52 + 4 * 6;
  for (std::size_t polygon = 0; polygon < 2; ++polygon) {
    for (std::size_t corner = 0; corner < 4; ++corner) {
      for (const std::uint8_t value : kIndexBytes) {
        Bytes geo = car_->geo;
        geo[kPart0Polygons + 12 * polygon + 4 + corner] = value;
        convert(geo, car_->archive, tally);
      }
    }
  }
  tally.record();
  EXPECT_EQ(tally.total(), 26 * 5 * 10 + 2 * 4 * 4);
  EXPECT_GT(tally.refused, 0);
  EXPECT_GT(tally.different, 0);
}

TEST_F(HostileInput, ArchiveWithOneCorruptedCountOffsetOrSizeNeverCrashes) {
  const Bytes& archive = car_->archive;
  constexpr std::size_t kEntryCountOffset = 8;
  constexpr std::size_t kEntries = 5;  // the palette, three textures and the last entry
  Tally tally;
  for (const std::uint32_t value : kWordValues) {
    Bytes corrupt = archive;
    write_u32_le(&corrupt[kEntryCountOffset], value);
    convert(car_->geo, corrupt, tally);
  }
  const auto size = static_cast<std::uint32_t>(archive.size());
  std::vector<std::uint32_t> offsets(std::begin(kWordValues), std::end(kWordValues));
  offsets.insert(offsets.end(), {size, size - 1, size - 16, size - 15});
  for (std::size_t entry = 0; entry < kEntries; ++entry) {
    for (const std::uint32_t value : offsets) {
      Bytes corrupt = archive;
      write_u32_le(&corrupt[kShpiHeaderSize + kShpiEntrySize * entry + 4], value);
      convert(car_->geo, corrupt, tally);
    }
  }
  for (std::size_t entry = 0; entry + 1 < kEntries; ++entry) {
    const std::size_t picture = shpi_picture_offset(archive, entry);
    for (const std::size_t field : {0u, 4u, 6u}) {  // type word, width, height
      for (const std::uint16_t value : kHalfValues) {
        Bytes corrupt = archive;
        put_u16(corrupt, picture + field, value);
        convert(car_->geo, corrupt, tally);
      }
    }
  }
  tally.record();
  EXPECT_EQ(tally.total(), 10 + 5 * 14 + 4 * 3 * 8);
  EXPECT_GT(tally.refused, 0);
  EXPECT_GT(tally.different, 0);
}

// The command bytes of a stream (not its literals), found by walking its commands.
std::vector<std::size_t> qfs_command_bytes(const Bytes& stream) {
  constexpr std::size_t kHeader = 5;
  std::vector<std::size_t> positions;
  std::size_t at = kHeader;
  while (at < stream.size()) {
    const test::QfsCommand command = test::reference_qfs_command(stream, at);
    for (std::size_t i = 0; i < command.size; ++i) positions.push_back(at + i);
    at += command.size + command.literals;
  }
  return positions;
}

TEST_F(HostileInput, QfsWithOneCorruptedLengthOrCommandByteNeverCrashes) {
  const Bytes& stream = car_->stream;
  Tally tally;
  const auto length = static_cast<std::uint32_t>(car_->archive.size());
  for (const std::uint32_t value : {0u, 1u, length - 1, length + 1, 0xFFFFFFu}) {
    Bytes corrupt = stream;
    corrupt[2] = static_cast<std::uint8_t>(value >> 16);
    corrupt[3] = static_cast<std::uint8_t>(value >> 8);
    corrupt[4] = static_cast<std::uint8_t>(value);
    convert(car_->geo, corrupt, tally);
  }
  // Command bytes carry the literal counts, copy lengths and distances: every form of command
  // is tried in every place.
  const std::vector<std::size_t> commands = qfs_command_bytes(stream);
  ASSERT_GT(commands.size(), 10u);
  for (const std::size_t at : commands) {
    for (const std::uint8_t value : kCommandBytes) {
      Bytes corrupt = stream;
      corrupt[at] = value;
      convert(car_->geo, corrupt, tally);
    }
  }
  tally.record();
  EXPECT_EQ(tally.total(), 5 + static_cast<int>(commands.size()) * 12);
  EXPECT_GT(tally.refused, 0);
}

// Regression: a 5-byte QFS stream claiming the largest output a header can give (16 MiB) cost
// a 16 MiB zero-filled buffer before it was refused for producing none of it. Fixed by
// refusing a stream that claims more than its command bytes can make (257 each) before
// allocating: the refusal must be that check's, naming the claim.
TEST(Regression, TinyQfsStreamClaimingTheLargestOutputIsRefusedBeforeAllocating) {
  const test::CarFiles car = test::build_small_car();
  const Bytes stream{0x10, 0xFB, 0xFF, 0xFF, 0xFF};
  ConversionEvents quiet;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(test::rejection_of([&] { convert_car(car.geo_image, stream, quiet); }),
            "the QFS stream claims 16777215 bytes of output, more than its 0 bytes of "
            "commands can make");
  EXPECT_LT(Clock::now() - start, kSlowestConversion);
}

// Pictures may share their header and cost no pixel bytes: a directory of such pictures is
// the cheapest way to make the canvas tall. Rows of 32767 (the tallest a picture can say)
// stack up; a 194-byte archive reaches exactly the 65536-row limit (a 48 MiB canvas), the
// most any archive can cost, and one row more is refused.
Bytes tall_atlas_archive(std::int16_t last_height) {
  ShpiPicture palette;  // a palette of no colours: every index reads as colour 0
  palette.name = "!pal";
  palette.type_byte0 = 0x2D;
  const auto zero_pixel = [](const char* name, std::int16_t width, std::int16_t height) {
    ShpiPicture picture;
    picture.name = name;
    picture.width = width;
    picture.height = height;
    return picture;
  };
  ShpiPicture last = zero_pixel("last", 1, last_height);
  last.pixels = Bytes(static_cast<std::size_t>(last_height), 7);
  // Row 0: "tall" (0 wide, 32767 high) and "wide" (768 wide, 0 high); "thin" closes it.
  // Row 1: "thin", "tall"; "wide" closes it. Row 2: "wide"; "last" closes it. Row 3: "last".
  return write_shpi_archive({palette, zero_pixel("tall", 0, 32767), zero_pixel("wide", 768, 0),
                             zero_pixel("thin", 1, 0), zero_pixel("tall", 0, 32767),
                             zero_pixel("wide", 768, 0), last});
}

TEST(HostileCost, TinyArchiveCostsAtMostTheTallestCanvas) {
  const test::CarFiles car = test::build_small_car();
  ConversionEvents quiet;
  const Bytes at_limit = tall_atlas_archive(2);  // 32767 + 32767 + 0 + 2 = 65536 rows
  ASSERT_EQ(at_limit.size(), 194u);  // 16 + 8 entries of 8 + 7 picture headers of 16 + 2 pixels
  const Clock::time_point start = Clock::now();
  const CarImages images = convert_car(car.geo_image, at_limit, quiet);
  EXPECT_LT(Clock::now() - start, kSlowestConversion);
  EXPECT_EQ(images.tga_image.size(), kTgaFileSize);
  EXPECT_THROW(convert_car(car.geo_image, tall_atlas_archive(3), quiet), MalformedFile);
}

// Regression, found by measuring, not by the fuzzer: every polygon's texture was looked up by
// scanning the whole texture table, so the conversion took time polygons x textures.
// Zero-pixel pictures may share one header, so an archive of 8 bytes an entry (a QFS stream
// expands 64 KiB to the full 16 MiB of them: 2 million textures) against a GEO file of 12
// bytes a polygon made a file pair of a few megabytes cost hours. These 20000 polygons against
// 200000 textures took 15 s (4e9 name comparisons). Fixed by looking names up through an index
// built once per car: milliseconds.
TEST(Regression, TextureLookupDoesNotCostPolygonsTimesTextures) {
  constexpr std::uint32_t kPolygons = 20000;
  constexpr std::uint32_t kTextures = 200000;
  const auto append_u32 = [](Bytes& bytes, std::uint32_t value) {
    bytes.resize(bytes.size() + 4);
    write_u32_le(&bytes[bytes.size() - 4], value);
  };
  // GEO: part 0 holds every polygon, each naming the last texture; the other parts are empty.
  Bytes geo(140, 0);
  for (int part = 0; part < kGeoPartCount; ++part) {
    append_u32(geo, 0);
    append_u32(geo, part == 0 ? kPolygons : 0);
    geo.resize(geo.size() + 44, 0);
    for (std::uint32_t p = 0; part == 0 && p < kPolygons; ++p) {
      append_u32(geo, 0);
      append_u32(geo, 0);
      geo.insert(geo.end(), {'l', 'a', 's', 't'});
    }
  }
  // Archive: the palette and every texture share one empty picture at the end.
  constexpr std::uint32_t kEntries = kTextures + 2;
  Bytes archive{'S', 'H', 'P', 'I'};
  append_u32(archive, 0);
  append_u32(archive, kEntries);
  append_u32(archive, 0);
  const std::uint32_t picture = 16 + 8 * kEntries;
  for (std::uint32_t entry = 0; entry < kEntries; ++entry) {
    archive.insert(archive.end(), {'l', 'a', 's', 't'});
    append_u32(archive, picture);
  }
  archive.resize(archive.size() + kShpiPictureHeaderSize, 0);

  ConversionEvents quiet;
  const Clock::time_point start = Clock::now();
  const CarImages images = convert_car(geo, archive, quiet);
  EXPECT_LT(Clock::now() - start, kSlowestConversion);
  EXPECT_EQ(images.tga_image.size(), kTgaFileSize);
}

}  // namespace
}  // namespace tromvex
