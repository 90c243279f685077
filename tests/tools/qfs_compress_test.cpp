// Tests of the QFS compressor: streams that expand back to their input, in every command form.
#include "tools/qfs_compress.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/reference_decoders.hpp"
#include "texture/qfs.hpp"

namespace tromvex {
namespace {

constexpr std::size_t kHeaderSize = 5;

// A fixed pseudo-random sequence, so every run tests the same bytes.
Bytes noise(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  for (auto& byte : bytes) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(seed >> 24);
  }
  return bytes;
}

Bytes join(std::initializer_list<Bytes> pieces) {
  Bytes all;
  for (const Bytes& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

// Palette indices the way car textures hold them: a gradient, a flat panel, a dithered panel.
Bytes texture_like(std::size_t width, std::size_t height) {
  Bytes pixels(width * height);
  for (std::size_t y = 0; y < height; ++y) {
    for (std::size_t x = 0; x < width; ++x) {
      std::uint8_t index = 0;
      if (y < height / 3) index = static_cast<std::uint8_t>(x * 64 / width);
      else if (y < 2 * height / 3) index = 200;
      else index = ((x + y) % 2 == 0) ? 90 : 91;
      pixels[y * width + x] = index;
    }
  }
  return pixels;
}

// What a stream holds, read command by command.
struct StreamSummary {
  int short_copies = 0;   // 2-byte commands
  int medium_copies = 0;  // 3-byte commands
  int long_copies = 0;    // 4-byte commands
  int literal_runs = 0;
  int stops = 0;
  std::size_t output_length = 0;  // the bytes the commands produce
  std::size_t longest_copy = 0;
  std::size_t farthest_copy = 0;
  bool ends_at_stop = false;  // the stop command and its literals end the stream exactly
};

StreamSummary summarize(const Bytes& stream) {
  StreamSummary summary;
  std::size_t at = kHeaderSize;
  while (at < stream.size()) {
    const test::QfsCommand command = test::reference_qfs_command(stream, at);
    switch (command.kind) {
      case test::QfsCommandKind::short_copy:
        ++summary.short_copies;
        break;
      case test::QfsCommandKind::medium_copy:
        ++summary.medium_copies;
        break;
      case test::QfsCommandKind::long_copy:
        ++summary.long_copies;
        break;
      case test::QfsCommandKind::literal_run:
        ++summary.literal_runs;
        break;
      case test::QfsCommandKind::stop:
        ++summary.stops;
        break;
    }
    summary.output_length += command.literals + command.length;
    if (command.kind == test::QfsCommandKind::stop) {
      summary.ends_at_stop = at + command.size + command.literals == stream.size();
      break;
    }
    summary.longest_copy = std::max(summary.longest_copy, command.length);
    summary.farthest_copy = std::max(summary.farthest_copy, command.distance);
    at += command.size + command.literals;
  }
  return summary;
}

struct RoundTripCase {
  std::string name;
  Bytes input;
};

TEST(QfsCompress, ExpandsBackToItsInput) {
  const Bytes far_block = noise(3000, 7);
  const Bytes long_block = noise(5000, 8);
  const std::vector<RoundTripCase> cases = {
      {"empty", {}},
      {"one byte", {0x42}},
      {"two bytes", {0xFC, 0xFF}},
      {"seven bytes", {1, 2, 3, 1, 2, 3, 1}},
      {"run of one value", Bytes(5000, 0xAA)},
      {"run of a short pattern", join({Bytes(1, 1), noise(3, 2), Bytes(997, 0), noise(5, 3)})},
      {"random", noise(10000, 1)},
      {"texture-like", texture_like(256, 256)},
      {"far matches past 131072 bytes",
       join({far_block, noise(125000, 9), far_block, noise(10000, 10), far_block})},
      {"long matches", join({long_block, long_block, long_block})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes stream = qfs_compress(c.input);
    const StreamSummary summary = summarize(stream);
    EXPECT_TRUE(summary.ends_at_stop);
    EXPECT_EQ(summary.stops, 1);
    EXPECT_EQ(summary.output_length, c.input.size());
    EXPECT_EQ(qfs_decompress(stream), c.input);
  }
}

TEST(QfsCompress, WritesSignatureAndBigEndianLength) {
  const Bytes stream = qfs_compress(Bytes(0x012345, 0));
  ASSERT_GE(stream.size(), kHeaderSize);
  EXPECT_EQ(Bytes(stream.begin(), stream.begin() + kHeaderSize),
            (Bytes{0x10, 0xFB, 0x01, 0x23, 0x45}));
}

TEST(QfsCompress, EmptyInputIsHeaderAndBareStop) {
  EXPECT_EQ(qfs_compress({}), (Bytes{0x10, 0xFB, 0x00, 0x00, 0x00, 0xFC}));
}

TEST(QfsCompress, UsesEveryCommandForm) {
  // Noise gives literal runs; a repeat of 3 bytes close by fits only the 2-byte form; a
  // 40-byte repeat 2000 bytes back the 3-byte form; a repeat 50000 bytes back the 4-byte one.
  const Bytes head = noise(2000, 4);
  const Bytes input = join({head, Bytes(head.begin() + 100, head.begin() + 140), noise(50000, 5),
                            Bytes(head.begin() + 500, head.begin() + 600), noise(6, 6)});
  const StreamSummary summary = summarize(qfs_compress(input));
  EXPECT_GT(summary.literal_runs, 0);
  EXPECT_GT(summary.short_copies, 0);
  EXPECT_GT(summary.medium_copies, 0);
  EXPECT_GT(summary.long_copies, 0);
  EXPECT_EQ(summary.stops, 1);
  EXPECT_GT(summary.farthest_copy, std::size_t{16384});
}

TEST(QfsCompress, RepeatsUpToTheLongestCopy) {
  const Bytes block = noise(3000, 11);
  const StreamSummary summary = summarize(qfs_compress(join({block, block})));
  EXPECT_EQ(summary.longest_copy, std::size_t{1028});
  EXPECT_EQ(summary.long_copies, 3);  // 3000 bytes = 1028 + 1028 + 944
}

TEST(QfsCompress, ReachesNoFartherThanTheWindow) {
  const Bytes block = noise(1000, 12);
  const StreamSummary summary = summarize(qfs_compress(join({block, noise(131072, 13), block})));
  EXPECT_LE(summary.farthest_copy, std::size_t{131072});
}

TEST(QfsCompress, ShrinksRedundantDataAndBarelyGrowsNoise) {
  const Bytes picture = texture_like(256, 256);
  EXPECT_LT(qfs_compress(picture).size(), picture.size() / 8);
  const Bytes random = noise(11200, 14);
  // 100 literal runs of 112 bytes, the header and the stop.
  EXPECT_LE(qfs_compress(random).size(), random.size() + 100 + kHeaderSize + 1);
}

TEST(QfsCompress, RefusesInputLongerThanTheLengthField) {
  EXPECT_THROW(qfs_compress(Bytes(kQfsMaxLength + 1, 0)), std::length_error);
}

}  // namespace
}  // namespace tromvex
