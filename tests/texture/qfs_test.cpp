// Tests of QFS stream expansion.
#include "texture/qfs.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>

#include "common/malformed_file.hpp"
#include "support/reference_decoders.hpp"
#include "support/rejection.hpp"
#include "support/texture_builders.hpp"

namespace tromvex {
namespace {

using test::QfsWriter;

Bytes letters(std::size_t count, char first = 'a') {
  Bytes bytes;
  for (std::size_t i = 0; i < count; ++i)
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::size_t>(first) + i % 26));
  return bytes;
}

TEST(QfsDecompress, ExpandsTheWorkedExample) {
  const Bytes stream{0x10, 0xFB, 0x00, 0x00, 0x08, 0x0B, 0x02, 0x61, 0x62, 0x63, 0xFC};
  EXPECT_EQ(qfs_decompress(stream), (Bytes{'a', 'b', 'c', 'a', 'b', 'c', 'a', 'b'}));
}

TEST(QfsDecompress, LongHeaderReadsCommandsFromByteEightAndIgnoresBytesFiveToSeven) {
  for (const std::uint8_t ignored : Bytes{0x00, 0x7F, 0xE0, 0xFC}) {
    const Bytes stream{0x11,    0xFB, 0x00, 0x00, 0x04, ignored, ignored,
                       ignored, 0xE0, 'w',  'x',  'y',  'z',     0xFC};
    EXPECT_EQ(qfs_decompress(stream), (Bytes{'w', 'x', 'y', 'z'})) << int{ignored};
  }
}

TEST(QfsDecompress, ReadsTheOutputLengthBigEndian) {
  const Bytes data = letters(0x010203);
  const Bytes stream = test::qfs_store(data);
  ASSERT_EQ(Bytes(stream.begin() + 2, stream.begin() + 5), (Bytes{0x01, 0x02, 0x03}));
  EXPECT_EQ(qfs_decompress(stream), data);
}

TEST(QfsDecompress, LiteralRunsCarryFourToOneHundredTwelveBytes) {
  for (const auto& [b0, count] : {std::pair{0xE0, 4}, {0xE1, 8}, {0xFB, 112}}) {
    const Bytes data = letters(static_cast<std::size_t>(count));
    Bytes stream{
        0x10, 0xFB, 0x00, 0x00, static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(b0)};
    stream.insert(stream.end(), data.begin(), data.end());
    stream.push_back(0xFC);
    EXPECT_EQ(qfs_decompress(stream), data) << b0;
  }
}

// Each copy form at its longest copy from its farthest distance, command bytes written by
// hand from the format's bit layout. The output is a run of distinct-ish bytes, then the copy.
struct CopyLimit {
  const char* form;
  Bytes command;
  std::size_t length;
  std::size_t distance;
};

TEST(QfsDecompress, CopyFormsReachTheirLongestLengthAndFarthestDistance) {
  const std::vector<CopyLimit> cases{
      {"short, 10 from 1024", {0x7C, 0xFF}, 10, 1024},
      {"short, 3 from 1", {0x00, 0x00}, 3, 1},
      {"medium, 67 from 16384", {0xBF, 0x3F, 0xFF}, 67, 16384},
      {"medium, 4 from 1", {0x80, 0x00, 0x00}, 4, 1},
      {"long, 1028 from 131072", {0xDC, 0xFF, 0xFF, 0xFF}, 1028, 131072},
      {"long, 5 from 1", {0xC0, 0x00, 0x00, 0x00}, 5, 1},
  };
  for (const CopyLimit& limit : cases) {
    // A literal prefix at least `distance` long (whole literal runs, so the stop stands alone).
    Bytes expected(std::max<std::size_t>(limit.distance, 4));
    for (std::size_t i = 0; i < expected.size(); ++i)
      expected[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    Bytes stream = test::qfs_store(expected);
    ASSERT_EQ(stream.back(), 0xFC);
    stream.pop_back();
    const std::size_t from = expected.size() - limit.distance;
    for (std::size_t i = 0; i < limit.length; ++i) expected.push_back(expected[from + i]);

    stream.insert(stream.end(), limit.command.begin(), limit.command.end());
    stream.push_back(0xFC);
    const std::size_t total = expected.size();
    stream[2] = static_cast<std::uint8_t>(total >> 16);
    stream[3] = static_cast<std::uint8_t>(total >> 8);
    stream[4] = static_cast<std::uint8_t>(total);
    EXPECT_EQ(qfs_decompress(stream), expected) << limit.form;
  }
}

TEST(QfsDecompress, CopyFormsCarryTheirLiteralsBeforeTheCopy) {
  // 0x03 0x00: 3 literals, then copy 3 from distance 1, counted after the literals.
  // 0x81 0xC0 0x02: 3 literals (b1 >> 6), then copy 5 (1 + 4) from distance 3 (2 + 1).
  const Bytes stream{0x10, 0xFB, 0x00, 0x00, 0x0E, 0x03, 0x00, 'a', 'b',
                     'c',  0x81, 0xC0, 0x02, 'x',  'y',  'z',  0xFC};
  // "abc" + "ccc" = 6 bytes, then "xyz" + 5 bytes copied from 3 back: "xyzxy".
  EXPECT_EQ(qfs_decompress(stream),
            (Bytes{'a', 'b', 'c', 'c', 'c', 'c', 'x', 'y', 'z', 'x', 'y', 'z', 'x', 'y'}));
}

TEST(QfsDecompress, OverlappingCopiesRepeatTheLastDistanceBytes) {
  for (const int distance : {1, 2, 3, 5, 16, 17}) {
    for (const int length : {5, 16, 17, 100, 1028}) {
      if (distance >= length) continue;
      const Bytes seed = letters(20);
      // Expected: the last `distance` bytes of the seed, repeated until `length` bytes are out.
      Bytes expected = seed;
      for (int i = 0; i < length; ++i)
        expected.push_back(
            seed[20 - static_cast<std::size_t>(distance) + static_cast<std::size_t>(i % distance)]);
      const Bytes stream = QfsWriter(static_cast<std::uint32_t>(expected.size()))
                               .literal_run(seed)
                               .long_copy({}, length, distance)
                               .stop()
                               .bytes();
      EXPECT_EQ(qfs_decompress(stream), expected) << distance << " " << length;
    }
  }
}

TEST(QfsDecompress, StopCommandCopiesUpToThreeTrailingLiterals) {
  for (std::size_t count = 0; count <= 3; ++count) {
    const Bytes tail = letters(count, 'p');
    Bytes expected{'a', 'b', 'c', 'd'};
    expected.insert(expected.end(), tail.begin(), tail.end());
    Bytes stream{0x10, 0xFB, 0x00, 0x00, static_cast<std::uint8_t>(expected.size()), 0xE0,
                 'a',  'b',  'c',  'd',  static_cast<std::uint8_t>(0xFC + count)};
    stream.insert(stream.end(), tail.begin(), tail.end());
    EXPECT_EQ(qfs_decompress(stream), expected) << count;
  }
}

TEST(QfsDecompress, StopCommandDropsItsLiteralsOnceTheOutputIsFull) {
  // 0xFF announces three literals; with the output full they are dropped, even when absent.
  EXPECT_EQ(qfs_decompress({0x10, 0xFB, 0, 0, 4, 0xE0, 'a', 'b', 'c', 'd', 0xFF, 'x', 'y', 'z'}),
            (Bytes{'a', 'b', 'c', 'd'}));
  EXPECT_EQ(qfs_decompress({0x10, 0xFB, 0, 0, 4, 0xE0, 'a', 'b', 'c', 'd', 0xFF}),
            (Bytes{'a', 'b', 'c', 'd'}));
  // Bytes after the stop command are never read.
  EXPECT_EQ(qfs_decompress({0x10, 0xFB, 0, 0, 4, 0xE0, 'a', 'b', 'c', 'd', 0xFC, 0x00}),
            (Bytes{'a', 'b', 'c', 'd'}));
}

TEST(QfsDecompress, StreamThatFillsItsOutputNeedsNoStopCommand) {
  EXPECT_EQ(qfs_decompress({0x10, 0xFB, 0, 0, 4, 0xE0, 'a', 'b', 'c', 'd'}),
            (Bytes{'a', 'b', 'c', 'd'}));
  EXPECT_EQ(qfs_decompress({0x10, 0xFB, 0, 0, 0}), Bytes{});
}

// The game's reader decodes until the stop command, so a stream may stop short of its length:
// the bytes never written stay zero, even right after a copy made a word at a time.
TEST(QfsDecompress, StreamThatStopsShortLeavesTheRestZero) {
  const auto zeros_after = [](Bytes bytes, std::size_t count) {
    bytes.insert(bytes.end(), count, 0);
    return bytes;
  };
  EXPECT_EQ(qfs_decompress({0x10, 0xFB, 0, 0, 9, 0xE0, 'a', 'b', 'c', 'd', 0xFD, 'e'}),
            zeros_after({'a', 'b', 'c', 'd', 'e'}, 4));
  EXPECT_EQ(qfs_decompress({0x10, 0xFB, 0, 1, 1, 0xFC}), Bytes(257, 0));
  const Bytes seed = letters(12);
  const Bytes copied = QfsWriter(60).literal_run(seed).short_copy({}, 3, 9).stop().bytes();
  Bytes expected = seed;
  expected.insert(expected.end(), seed.begin() + 3, seed.begin() + 6);
  EXPECT_EQ(qfs_decompress(copied), zeros_after(expected, 45));
}

TEST(QfsDecompress, RejectsWrongSignatures) {
  const std::string message =
      "the texture file is neither an SHPI texture archive nor a QFS stream";
  for (const Bytes& stream : {Bytes{0xFB, 0x10, 0, 0, 0}, Bytes{0x12, 0xFB, 0, 0, 0},
                              Bytes{0x10, 0xFA, 0, 0, 0}, Bytes{0x10}, Bytes{}}) {
    EXPECT_EQ(test::rejection_of([&] { qfs_decompress(stream); }), message);
  }
}

TEST(QfsDecompress, RejectsMalformedStreams) {
  const struct {
    const char* what;
    Bytes stream;
    const char* message;
  } cases[] = {
      {"short header", {0x10, 0xFB, 0, 0}, "the QFS stream ends inside its 5-byte header"},
      {"long header", {0x11, 0xFB, 0, 0, 0, 0, 0}, "the QFS stream ends inside its 8-byte header"},
      {"header only",
       {0x10, 0xFB, 0, 0, 1},
       "the QFS stream claims 1 bytes of output, more than its 0 bytes of commands can make"},
      // One stream byte can make at most 257 output bytes (a 4-byte command copying 1028).
      {"the largest output claimed by a 1-byte stream",
       {0x10, 0xFB, 0xFF, 0xFF, 0xFF, 0xFC},
       "the QFS stream claims 16777215 bytes of output, more than its 1 bytes of commands can make"},
      {"one byte more than 1 stream byte can make",
       {0x10, 0xFB, 0, 1, 2, 0xFC},
       "the QFS stream claims 258 bytes of output, more than its 1 bytes of commands can make"},
      {"truncated short command",
       {0x10, 0xFB, 0, 0, 8, 0xE0, 'a', 'b', 'c', 'd', 0x0C},
       "QFS command at byte 10 reads past the end of the stream"},
      {"truncated long command",
       {0x10, 0xFB, 0, 0, 8, 0xC0, 0x00, 0x00},
       "QFS command at byte 5 reads past the end of the stream"},
      {"literal run past input",
       {0x10, 0xFB, 0, 0, 8, 0xE1, 'a', 'b', 'c', 'd', 'e'},
       "QFS command at byte 5 reads past the end of the stream"},
      {"copy literals past input",
       {0x10, 0xFB, 0, 0, 8, 0x03, 0x00, 'a', 'b'},
       "QFS command at byte 5 reads past the end of the stream"},
      {"stop literals past input",
       {0x10, 0xFB, 0, 0, 3, 0xFF, 'a', 'b'},
       "QFS command at byte 5 reads past the end of the stream"},
      {"literal run past output",
       {0x10, 0xFB, 0, 0, 3, 0xE0, 'a', 'b', 'c', 'd', 0xFC},
       "QFS command at byte 5 writes past the 3-byte output"},
      {"copy past output",
       {0x10, 0xFB, 0, 0, 6, 0xE0, 'a', 'b', 'c', 'd', 0x00, 0x00, 0xFC},
       "QFS command at byte 10 writes past the 6-byte output"},
      {"stop literals past output",
       {0x10, 0xFB, 0, 0, 5, 0xE0, 'a', 'b', 'c', 'd', 0xFE, 'e', 'f'},
       "QFS command at byte 10 writes past the 5-byte output"},
      {"distance before start",
       {0x10, 0xFB, 0, 0, 8, 0xE0, 'a', 'b', 'c', 'd', 0x00, 0x04, 0xFC},
       "QFS command at byte 10 copies from before the start of the output"},
      {"copy with nothing produced",
       {0x10, 0xFB, 0, 0, 3, 0x00, 0x00},
       "QFS command at byte 5 copies from before the start of the output"},
      {"input ends before output is full",
       {0x10, 0xFB, 0, 0, 9, 0xE0, 'a', 'b', 'c', 'd', 0x01},
       "QFS command at byte 10 reads past the end of the stream"},
      {"end of input before output is full",
       {0x11, 0xFB, 0, 0, 5, 0, 0, 0, 0xE0, 'a', 'b', 'c', 'd'},
       "the QFS stream ends after 4 of its 5 bytes"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(test::rejection_of([&] { qfs_decompress(c.stream); }), c.message) << c.what;
}

// Far from both ends of the buffers, short and medium commands take a quicker path that still
// refuses a copy from one byte before the start, and takes one from the very start.
TEST(QfsDecompress, FarFromTheEndsACopyReachesTheStartAndNoFurther) {
  const Bytes seed = letters(8);
  for (const bool medium : {false, true}) {
    for (const int reach : {0, 1}) {
      const int distance = 8 + 2 + reach;  // the seed and the command's two literals
      QfsWriter writer(400);
      writer.literal_run(seed);
      if (medium) {
        writer.medium_copy({'x', 'y'}, 60, distance);
      } else {
        writer.short_copy({'x', 'y'}, 10, distance);
      }
      for (int i = 0; i < 40; ++i) writer.short_copy({}, 3, 1);  // room behind the command
      const Bytes stream = writer.stop().bytes();
      const std::string where =
          std::string(medium ? "medium" : "short") + " " + std::to_string(reach);
      if (reach == 0) {
        Bytes expected;
        ASSERT_TRUE(test::reference_qfs_expand(stream, &expected)) << where;
        EXPECT_EQ(qfs_decompress(stream), expected) << where;
      } else {
        EXPECT_EQ(test::rejection_of([&] { qfs_decompress(stream); }),
                  "QFS command at byte 14 copies from before the start of the output")
            << where;
      }
    }
  }
}

TEST(QfsDecompress, RejectsEveryPrefixThatCutsTheOutputShort) {
  const Bytes stream = QfsWriter(38)
                           .literal_run(letters(8))
                           .short_copy({'x'}, 10, 9)
                           .medium_copy({'y', 'z'}, 6, 2)
                           .long_copy({}, 9, 20)
                           .stop({'!', '?'})
                           .bytes();
  ASSERT_EQ(qfs_decompress(stream).size(), 38u);
  for (std::size_t size = 0; size < stream.size(); ++size) {
    const Bytes prefix = test::prefix_of(stream, size);
    EXPECT_TRUE(test::rejection_of([&] { qfs_decompress(prefix); }).has_value()) << size;
  }
}

// The writer's encodings, computed by hand from the format's bit layout.
TEST(QfsWriter, EncodesEachCommandFormAtItsLimits) {
  constexpr std::ptrdiff_t header = 5;
  const auto command_of = [](const QfsWriter& writer) {
    return Bytes(writer.bytes().begin() + header, writer.bytes().end());
  };
  EXPECT_EQ(command_of(QfsWriter(0).short_copy({1, 2, 3}, 10, 1024)), (Bytes{0x7F, 0xFF, 1, 2, 3}));
  EXPECT_EQ(command_of(QfsWriter(0).medium_copy({9}, 67, 16384)), (Bytes{0xBF, 0x7F, 0xFF, 9}));
  EXPECT_EQ(command_of(QfsWriter(0).long_copy({}, 1028, 131072)), (Bytes{0xDC, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(command_of(QfsWriter(0).long_copy({7, 7}, 261, 65537)),
            (Bytes{0xD6, 0x00, 0x00, 0x00, 7, 7}));
  EXPECT_EQ(command_of(QfsWriter(0).literal_run(Bytes(112, 5))).front(), 0xFB);
  EXPECT_EQ(command_of(QfsWriter(0).stop({1, 2, 3})), (Bytes{0xFF, 1, 2, 3}));
  EXPECT_EQ(QfsWriter(0x123456, QfsWriter::Header::long_form).bytes(),
            (Bytes{0x11, 0xFB, 0x12, 0x34, 0x56, 0xFC, 0xFC, 0xFC}));
}

// Writes a random valid stream: every command form, literals and copies of every length,
// distances from 1 (most often short, so copies overlap) to as far back as the output allows.
Bytes random_stream(std::mt19937& random, std::size_t target_length) {
  const auto pick = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  const auto random_bytes = [&](int count) {
    Bytes bytes(static_cast<std::size_t>(count));
    for (auto& byte : bytes)
      byte = static_cast<std::uint8_t>(pick(0, 3));  // few values, like indices
    return bytes;
  };
  const auto distance_up_to = [&](int longest, std::size_t produced) {
    const int farthest =
        static_cast<int>(std::min<std::size_t>(produced, static_cast<std::size_t>(longest)));
    return pick(0, 2) == 0 ? pick(1, std::min(farthest, 4)) : pick(1, farthest);
  };
  QfsWriter writer(0, pick(0, 1) ? QfsWriter::Header::long_form : QfsWriter::Header::short_form);
  const Bytes first_run = random_bytes(4 * pick(1, 28));  // something to copy from
  writer.literal_run(first_run);
  std::size_t produced = first_run.size();
  while (produced < target_length) {
    const Bytes literals = random_bytes(pick(0, 3));
    const std::size_t after_literals = produced + literals.size();
    int length = 0;
    switch (pick(0, 3)) {
      case 0:
        length = pick(3, 10);
        writer.short_copy(literals, length, distance_up_to(1024, after_literals));
        break;
      case 1:
        length = pick(4, 67);
        writer.medium_copy(literals, length, distance_up_to(16384, after_literals));
        break;
      case 2:
        length = pick(5, 1028);
        writer.long_copy(literals, length, distance_up_to(131072, after_literals));
        break;
      default: {
        const Bytes run = random_bytes(4 * pick(1, 28));
        writer.literal_run(run);
        produced += run.size();
        continue;
      }
    }
    produced = after_literals + static_cast<std::size_t>(length);
  }
  const Bytes tail = random_bytes(pick(0, 3));
  writer.stop(tail);
  writer.set_output_length(static_cast<std::uint32_t>(produced + tail.size()));
  return writer.bytes();
}

TEST(QfsDecompress, MatchesAPlainByteByByteDecoderOnRandomStreams) {
  std::mt19937 random(20240601);
  for (int round = 0; round < 300; ++round) {
    const Bytes stream = random_stream(random, round < 200 ? 2000 : 150000);
    Bytes expected;
    ASSERT_TRUE(test::reference_qfs_expand(stream, &expected)) << "round " << round;
    ASSERT_EQ(qfs_decompress(stream), expected) << "round " << round;
  }
}

}  // namespace
}  // namespace tromvex
