// Tests of tromvex-view's driver: the picture it writes, its messages and exit statuses.
#include "app/view_driver.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

#include "mesh/fce_reader.hpp"
#include "pipeline/convert.hpp"
#include "support/fce_builder.hpp"
#include "support/picture_probe.hpp"
#include "support/recording_console.hpp"
#include "support/subprocess.hpp"
#include "support/temp_dir.hpp"
#include "tools/sample_car.hpp"

namespace tromvex {
namespace {

using test::RecordingConsole;
using test::TempDir;

// The converted sample car as car.fce and car00.tga in a fresh folder.
struct SampleCarFolder {
  SampleCarFolder() {
    class Quiet : public ConversionEvents {
    } events;
    images = convert_car(make_sample_geo(), make_sample_qfs(), events);
    test::write_file(fce, images.fce_image);
    test::write_file(tga, images.tga_image);
  }
  TempDir dir;
  CarImages images;
  std::string fce = dir.file("car.fce");
  std::string tga = dir.file("car00.tga");
  std::string png = dir.file("car.png");
};

int run_with(std::vector<std::string> args, RecordingConsole& console) {
  args.insert(args.begin(), "tromvex-view");
  return run_view(args, console);
}

// The PNG decoded to RGBA, with its size.
RgbaPicture decode_png(const Bytes& png) {
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &width, &height,
                                          &channels, 4);
  if (pixels == nullptr) return {};
  RgbaPicture picture{width, height,
                      Bytes(pixels, pixels + static_cast<std::size_t>(width) *
                                                 static_cast<std::size_t>(height) * 4)};
  stbi_image_free(pixels);
  return picture;
}

// The sample car drawn with --parts at 512 pixels: 256 of views and a legend of 3 lines of
// 8 pixels between margins of 8. Its wheels (parts 1 right front, 2 left front, 3 right rear,
// 4 left rear) show where the README says each view shows them.
TEST(ViewDriver, WritesThePictureAndSaysSoOnOneLine) {
  SampleCarFolder car;
  const FceCar fce = read_fce_image(car.images.fce_image);
  std::int64_t triangles = 0;
  for (std::size_t p = 0; p < 5; ++p) triangles += fce.parts[p].triangle_count;
  RecordingConsole console;
  ASSERT_EQ(run_with({car.fce, car.tga, car.png, "--parts", "--size", "512"}, console), 0)
      << console.transcript;
  EXPECT_EQ(console.transcript, "Wrote " + car.png + ": 512 x 296 pixels, 5 parts, " +
                                    std::to_string(triangles) + " triangles\n");
  const RgbaPicture picture = decode_png(test::read_file(car.png));
  ASSERT_EQ(picture.width, 512);
  ASSERT_EQ(picture.height, 296);
  const auto [side, front, top, front_right] = test::view_cells(512);
  const auto spot = [&](const PixelRect& view, std::size_t part) {
    const test::Spot found = test::spot_of(picture, view, part, 5);
    EXPECT_GT(found.pixels, 20) << "part " << part << " in the view at " << view.x << ", "
                                << view.y;
    return found;
  };
  // From the left, the front on the left; the wheels low.
  EXPECT_LT(spot(side, 2).x, spot(side, 4).x);
  EXPECT_GT(spot(side, 2).y, spot(side, 0).y);
  // From the front, the car's right on the left.
  EXPECT_LT(spot(front, 1).x, spot(front, 2).x);
  // From above, the front on the left and the car's right at the top.
  EXPECT_LT(spot(top, 1).x, spot(top, 3).x);
  EXPECT_LT(spot(top, 1).y, spot(top, 2).y);
  // From the front right, the front toward the right and the left rear wheel hidden.
  EXPECT_GT(spot(front_right, 1).x, spot(front_right, 3).x);
  EXPECT_EQ(test::spot_of(picture, front_right, 4, 5).pixels, 0);

  RecordingConsole plain;
  ASSERT_EQ(run_with({car.fce, car.tga, car.png, "--size", "256"}, plain), 0);
  EXPECT_EQ(decode_png(test::read_file(car.png)).height, 128);
}

// A real car names its parts as it likes: parts 0 to 4 are drawn, counted in the line.
TEST(ViewDriver, DrawsParts0To4OfARealCarShapedPartOrder) {
  SampleCarFolder car;
  const std::array<const char*, 12> names{
      "S high 911 body",   "fr wheel",          "fl wheel",           "rr wheel",
      "rl wheel",          "H 911 body",        "high r front wheel", "high l front wheel",
      "high r rear wheel", "high l rear wheel", "M 911 body",         "L 911 body"};
  std::vector<test::TestFcePart> parts;
  for (std::size_t p = 0; p < names.size(); ++p) {
    test::TestFcePart part = test::box_part(names[p], {}, {}, {1, 1, 1});
    part.triangles.resize(p + 1);  // a part of p + 1 triangles
    parts.push_back(part);
  }
  test::write_file(car.fce, test::fce_image_of(parts));
  RecordingConsole console;
  ASSERT_EQ(run_with({car.fce, car.tga, car.png, "--size", "64"}, console), 0);
  EXPECT_EQ(console.transcript, "Wrote " + car.png + ": 64 x 32 pixels, 5 parts, 15 triangles\n");
}

TEST(ViewDriver, WrongArgumentsPrintTheUsageAndGiveStatusTwo) {
  const std::vector<std::vector<std::string>> cases{{},
                                                    {"a.fce", "a00.tga"},
                                                    {"a.fce", "a00.tga", "a.png", "b.png"},
                                                    {"a.fce", "a00.tga", "a.png", "--size"},
                                                    {"a.fce", "a00.tga", "a.png", "--size", "63"},
                                                    {"a.fce", "a00.tga", "a.png", "--size", "4097"},
                                                    {"a.fce", "a00.tga", "a.png", "--size", "12x"},
                                                    {"a.fce", "a00.tga", "a.png", "--sizes"}};
  for (const auto& args : cases) {
    RecordingConsole console;
    EXPECT_EQ(run_with(args, console), 2);
    EXPECT_EQ(console.transcript, "");
    EXPECT_THAT(console.errors, ::testing::StartsWith("tromvex-view: "));
    if (args.size() == 4 && args[3] == "--sizes") {
      EXPECT_THAT(console.errors, ::testing::StartsWith("tromvex-view: unknown option --sizes\n"));
    }
    EXPECT_THAT(
        console.errors,
        ::testing::HasSubstr(
            "\nUsage: tromvex-view <car>.fce <car>00.tga <picture>.png [--parts] [--size N]\n"));
  }
}

TEST(ViewDriver, UnreadableOrMalformedInputsGiveStatusOneAndNoPicture) {
  SampleCarFolder car;
  const std::string cut = car.dir.file("cut.fce");
  test::write_file(cut, Bytes(car.images.fce_image.begin(), car.images.fce_image.begin() + 100));
  const std::string rle = car.dir.file("rle.tga");
  Bytes rle_image = car.images.tga_image;
  rle_image[2] = 10;
  test::write_file(rle, rle_image);
  const std::string absent = car.dir.file("absent.fce");
  const std::string qfs = car.dir.file("car.qfs");
  test::write_file(qfs, make_sample_qfs());
  // Thousands of copies of a triangle across a box, both ways round: drawing it would cover a
  // view hundreds of times over. The texture is read by then; the FCE file is at fault.
  test::TestFcePart crowded = test::box_part("body", {}, {}, {1, 1, 1});
  for (int i = 0; i < 5000; ++i)
    crowded.triangles.insert(crowded.triangles.end(), {{0, 3, 7}, {0, 7, 3}});
  const std::string crowded_fce = car.dir.file("crowded.fce");
  test::write_file(crowded_fce, test::fce_image_of(std::vector<test::TestFcePart>{crowded}));
  struct Case {
    std::string fce, tga, message;
  };
  const Case cases[] = {
      {crowded_fce, car.tga,
       "Could not read " + crowded_fce +
           ": the triangles of the FCE file cover the left side view more than 256 times over; "
           "no car does\n"},
      {absent, car.tga, "Could not open " + absent + "\n"},
      {car.fce, car.dir.path().string(), "Could not open " + car.dir.path().string() + "\n"},
      {cut, car.tga,
       "Could not read " + cut +
           ": it is not an FCE file (the FCE file is 100 bytes long, too short for its 7940-byte "
           "header)\n"},
      // The texture archive given for the TGA file: its first bytes, 10 FB 02, read as a TGA
      // header, give a colour-map type of 251 and image type 2.
      {car.fce, qfs,
       "Could not read " + qfs +
           ": it is not a TGA image (the TGA file is of image type 2 with a colour map; only "
           "uncompressed true-colour images (type 2) without one can be read)\n"},
      {car.fce, rle,
       "Could not read " + rle +
           ": the TGA file is of image type 10; only uncompressed true-colour images (type 2) without one can be read\n"},
  };
  for (const Case& c : cases) {
    RecordingConsole console;
    EXPECT_EQ(run_with({c.fce, c.tga, car.png, "--size", "128"}, console), 1);
    EXPECT_EQ(console.errors, c.message);
    EXPECT_EQ(console.transcript, "");
    EXPECT_FALSE(std::filesystem::exists(car.png));
  }
}

TEST(ViewDriver, APictureThatCannotBeWrittenIsBlamedAndLeftAsItWas) {
  SampleCarFolder car;
  const std::string no_folder = (car.dir.path() / "none" / "car.png").string();
  const struct {
    std::string png, message;
  } cases[] = {
      {no_folder, "Could not open " + no_folder},
      {car.dir.path().string(), "Could not open " + car.dir.path().string()},
      {car.tga, "Could not write " + car.tga + ": it is one of the input files"},
#ifndef _WIN32
      {"/dev/full", "Could not write /dev/full (is the disk full?); it was left as it was"},
#endif
  };
  for (const auto& c : cases) {
    RecordingConsole console;
    EXPECT_EQ(run_with({car.fce, car.tga, c.png, "--size", "64"}, console), 1);
    EXPECT_EQ(console.errors, c.message + "\n");
  }
  EXPECT_FALSE(std::filesystem::exists(no_folder));
  EXPECT_EQ(test::read_file(car.tga), car.images.tga_image);
}

TEST(ViewDriver, RealExecutableWritesThePicture) {
  SampleCarFolder car;
  const auto result =
      test::run_process(TROMVEX_VIEW_EXE, {TROMVEX_VIEW_EXE, car.fce, car.tga, car.png});
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(decode_png(test::read_file(car.png)).width, 1024);
}

}  // namespace
}  // namespace tromvex
