// Tests of the FCE reader: it reads back what the FCE writer makes, also as the game's own
// cars fill it, and refuses cut-off and inconsistent files.
#include "mesh/fce_reader.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <optional>
#include <string>

#include "common/malformed_file.hpp"
#include "mesh/fce_layout.hpp"
#include "mesh/placement.hpp"
#include "pipeline/convert.hpp"
#include "support/reference_fce.hpp"
#include "support/rejection.hpp"
#include "tools/sample_car.hpp"

namespace tromvex {
namespace {

// Part p has p + 3 vertices at (p, v, -v / 4) and p + 1 triangles over its own vertices,
// each with its own flags and texture coordinates; parts 0 to 11 at positions (p, 2p, -p).
FceParts numbered_parts() {
  FceParts parts;
  for (std::size_t p = 0; p < parts.size(); ++p) {
    FcePart& part = parts[p];
    const std::string name = "Part " + std::to_string(p);
    std::strcpy(part.name.data(), name.c_str());
    const auto f = static_cast<float>(p);
    part.position = {f, 2 * f, -f};
    for (std::size_t v = 0; v < p + 3; ++v) {
      part.vertices.push_back({f, static_cast<float>(v), static_cast<float>(v) / -4.0f});
    }
    for (std::size_t v = 0; v < part.vertices.size(); ++v)
      part.normals.push_back({0.5f, -f, static_cast<float>(v)});
    for (std::int32_t t = 0; t <= static_cast<std::int32_t>(p); ++t) {
      part.triangles.push_back({{t, t + 1, t + 2},
                                static_cast<std::uint32_t>(t % 2 == 0 ? 1 : 5),
                                {0.125f * static_cast<float>(t), 0.5f, 1.0f},
                                {1.0f, 0.25f, f / 16.0f}});
    }
    part.vertex_count = static_cast<std::int32_t>(part.vertices.size());
    part.triangle_count = static_cast<std::int32_t>(part.triangles.size());
  }
  return parts;
}

Bytes image_of(FceParts parts) {
  const FceTotals totals = assign_first_indices(parts);
  return test::reference_fce_image(parts, totals);
}

void set_word(Bytes& image, std::size_t offset, std::uint32_t value) {
  write_u32_le(image.data() + offset, value);
}

void expect_same_car(const FceCar& car, const FceParts& parts) {
  ASSERT_EQ(car.parts.size(), parts.size());
  for (std::size_t p = 0; p < parts.size(); ++p) {
    SCOPED_TRACE("part " + std::to_string(p));
    const FceCarPart& read = car.parts[p];
    EXPECT_EQ(read.name, std::string(parts[p].name.data()));
    EXPECT_EQ(read.position, parts[p].position);
    ASSERT_EQ(read.vertex_count, parts[p].vertex_count);
    ASSERT_EQ(read.triangle_count, parts[p].triangle_count);
    for (std::int32_t v = 0; v < read.vertex_count; ++v) {
      EXPECT_EQ(car.vertices[static_cast<std::size_t>(read.first_vertex + v)],
                parts[p].vertices[static_cast<std::size_t>(v)]);
      EXPECT_EQ(car.normals[static_cast<std::size_t>(read.first_vertex + v)],
                parts[p].normals[static_cast<std::size_t>(v)]);
    }
    for (std::int32_t t = 0; t < read.triangle_count; ++t) {
      EXPECT_EQ(car.triangles[static_cast<std::size_t>(read.first_triangle + t)],
                parts[p].triangles[static_cast<std::size_t>(t)]);
    }
  }
}

TEST(FceReader, ReadsBackWhatTheWriterMakes) {
  const FceParts parts = numbered_parts();
  const FceCar car = read_fce_image(image_of(parts));
  expect_same_car(car, parts);
  EXPECT_EQ(car.vertices.size(), std::size_t{12 * 3 + 66});
  EXPECT_EQ(car.normals.size(), car.vertices.size());
  EXPECT_EQ(car.triangles.size(), std::size_t{78});
}

// The game's own cars fill what tromvex leaves zero: triangle fill words, colours and dummies
// in the header, and the blocks after the triangles. None of it changes what is read.
TEST(FceReader, IgnoresFieldsTheGameFillsAndTromvexLeavesZero) {
  const FceParts parts = numbered_parts();
  Bytes image = image_of(parts);
  const auto v = static_cast<std::size_t>(read_u32_le(image.data() + 8));
  const auto t = static_cast<std::size_t>(read_u32_le(image.data() + 4));
  for (std::size_t at = 52; at < 248; ++at)
    image[at] = static_cast<std::uint8_t>(at);  // colours, dummies
  for (std::size_t at = 2048; at < 3588; ++at) image[at] = 0x5A;
  const std::size_t triangles = kFceHeaderSize + 24 * v;
  for (std::size_t k = 0; k < t; ++k) {
    set_word(image, triangles + 56 * k, 0x1234);
    for (std::size_t w = 16; w < 28; w += 4) set_word(image, triangles + 56 * k + w, 0xDEADBEEF);
  }
  for (std::size_t at = triangles + 56 * t; at < image.size(); ++at) image[at] = 0xA5;
  expect_same_car(read_fce_image(image), parts);
}

TEST(FceReader, ReadsFewerPartsThanTwelve) {
  Bytes image = image_of(numbered_parts());
  set_word(image, 248, 2);
  EXPECT_EQ(read_fce_image(image).parts.size(), std::size_t{2});
  set_word(image, 248, 0);
  EXPECT_TRUE(read_fce_image(image).parts.empty());
}

TEST(FceReader, RefusesEveryPrefixOfTheSampleCar) {
  class Quiet : public ConversionEvents {
  } events;
  const Bytes fce = convert_car(make_sample_geo(), make_sample_qfs(), events).fce_image;
  ASSERT_NO_THROW(read_fce_image(fce));
  for (std::size_t size = 0; size < fce.size(); ++size) {
    const Bytes prefix = test::prefix_of(fce, size);  // exact size
    const std::optional<std::string> message = test::rejection_of([&] { read_fce_image(prefix); });
    // A block past the end of the file: plainly no FCE file any more.
    ASSERT_THAT(message,
                ::testing::Optional(::testing::AllOf(
                    ::testing::StartsWith("it is not an FCE file (the "),
                    ::testing::AnyOf(::testing::EndsWith("ends past its end)"),
                                     ::testing::EndsWith("too short for its 7940-byte header)")))))
        << "cut at " << size;
  }
}

TEST(FceReader, RefusesInconsistentFilesSayingWhatIsWrong) {
  // Part 3 of the numbered car has 6 vertices and 4 triangles, from vertex 18 and triangle 6.
  struct Case {
    const char* what;
    std::size_t offset;
    std::uint32_t value;
    const char* message;
  };
  const Case cases[] = {
      // Counts and offsets that cannot fit the file: it is no FCE file.
      {"negative vertex total", 8, 0xFFFFFFFF,
       "it is not an FCE file (the FCE file has a negative vertex total (-1))"},
      {"negative triangle total", 4, 0x80000000,
       "it is not an FCE file (the FCE file has a negative triangle total (-2147483648))"},
      {"65 parts", 248, 65,
       "it is not an FCE file (the FCE file declares 65 parts; its header holds 0 to 64)"},
      {"vertex block past the end", 16, 0x10000,
       "it is not an FCE file (the vertex block of the FCE file (102 from byte 73476) ends past "
       "its end)"},
      {"triangle block offset wraps", 24, 0xFFFFFFF0,
       "it is not an FCE file (the triangle block of the FCE file (78 from byte 4294975220) ends "
       "past its end)"},
      {"normal block past the end", 20, 0x7FFF0000, "it is not an FCE file (the normal block of"},
      {"sixth block past the end", 36, 0x7FFF0000, "it is not an FCE file (the sixth block of"},
      // Inconsistent within: the complaint names the field alone.
      {"part past the vertices", 1020 + 4 * 3, 100,
       "part 3 of the FCE file takes vertices 100 to 105, but the file holds 102"},
      {"negative triangle count", 1788 + 4 * 3, 0xFFFFFFFE,
       "part 3 of the FCE file has a negative first triangle or triangle count (6, -2)"},
      {"triangle uses another part's vertex", kFceHeaderSize + 24 * 102 + 56 * 8 + 8, 6,
       "triangle 2 of part 3 of the FCE file uses vertex 6, but the part has 6"},
      {"negative index", kFceHeaderSize + 24 * 102 + 56 * 6 + 4, 0xFFFFFFFF,
       "triangle 0 of part 3 of the FCE file uses vertex -1, but the part has 6"},
  };
  for (const Case& c : cases) {
    Bytes image = image_of(numbered_parts());
    set_word(image, c.offset, c.value);
    EXPECT_THAT(test::rejection_of([&] { read_fce_image(image); }),
                ::testing::Optional(::testing::StartsWith(c.message)))
        << c.what;
  }
}

}  // namespace
}  // namespace tromvex
