// Tests of the little-endian helpers and the bounds-checked reader.
#include "common/byte_reader.hpp"

#include <gtest/gtest.h>

#include <array>

#include "common/bytes.hpp"
#include "common/malformed_file.hpp"
#include "support/rejection.hpp"

namespace tromvex {
namespace {

TEST(LittleEndian, ReadsAndWritesFields) {
  const std::array<std::uint8_t, 4> word{0x78, 0x56, 0x34, 0x12};
  EXPECT_EQ(read_u32_le(word.data()), 0x12345678u);
  const std::array<std::uint8_t, 2> minus_two{0xFE, 0xFF};
  EXPECT_EQ(read_s16_le(minus_two.data()), -2);
  const std::array<std::uint8_t, 2> max_positive{0xFF, 0x7F};
  EXPECT_EQ(read_s16_le(max_positive.data()), 32767);

  std::array<std::uint8_t, 4> out{};
  write_u32_le(out.data(), 0xFF00FF01u);
  EXPECT_EQ(out, (std::array<std::uint8_t, 4>{0x01, 0xFF, 0x00, 0xFF}));
  write_f32_le(out.data(), 1.0f);
  EXPECT_EQ(read_u32_le(out.data()), 0x3F800000u);
}

TEST(ByteReader, ReadsFieldsInOrder) {
  const std::array<std::uint8_t, 7> image{0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x80};
  ByteReader reader(image, "the test image");
  EXPECT_EQ(reader.u8(), 1);
  EXPECT_EQ(reader.u32(), 2u);
  EXPECT_EQ(reader.s16(), -32768);
  EXPECT_EQ(reader.remaining(), 0u);
}

TEST(ByteReader, ReadPastTheEndNamesItsSubject) {
  const std::array<std::uint8_t, 3> image{1, 2, 3};
  ByteReader reader(image, "the test image");
  reader.set_subject("part 7 of the GEO file");
  EXPECT_EQ(test::rejection_of([&] { reader.u32(); }), "part 7 of the GEO file ends past its end");
  EXPECT_EQ(reader.position(), 0u);  // a failed read does not move the reader
}

TEST(ByteReader, RejectsEveryOutOfRangeMove) {
  const std::array<std::uint8_t, 4> image{};
  ByteReader reader(image, "x");
  reader.seek(4);  // the very end is a valid place to stand
  EXPECT_THROW(reader.u8(), MalformedFile);
  EXPECT_THROW(reader.seek(5), MalformedFile);
  reader.seek(1);
  EXPECT_THROW(reader.skip(SIZE_MAX), MalformedFile);  // no overflow wraps around
  EXPECT_THROW(reader.take(4), MalformedFile);
  EXPECT_EQ(reader.take(3).size(), 3u);
}

}  // namespace
}  // namespace tromvex
