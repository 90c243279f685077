// Tests of tromvex-view's driver: the picture it writes, its messages and exit statuses.
#include "app/view_driver.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

#include "mesh/fce_reader.hpp"
#include "pipeline/convert.hpp"
#include "render/car_views.hpp"
#include "support/recording_console.hpp"
#include "support/subprocess.hpp"
#include "support/temp_dir.hpp"
#include "texture/tga_reader.hpp"
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

TEST(ViewDriver, WritesThePictureAsRenderedAndSaysSoOnOneLine) {
  SampleCarFolder car;
  const FceCar fce = read_fce_image(car.images.fce_image);
  const RgbaPicture texture = read_tga_image(car.images.tga_image);
  for (const bool parts : {false, true}) {
    RecordingConsole console;
    std::vector<std::string> args{car.fce, car.tga, car.png, "--size", "256"};
    if (parts) args.insert(args.begin(), "--parts");
    ASSERT_EQ(run_with(args, console), 0) << console.transcript;
    const RgbaPicture expected = render_car_views(fce, texture, {256, parts}).picture;
    const RgbaPicture written = decode_png(test::read_file(car.png));
    EXPECT_EQ(written.width, 256);
    EXPECT_EQ(written.height, expected.height);
    EXPECT_TRUE(written.pixels == expected.pixels) << "parts " << parts;
    EXPECT_EQ(console.transcript, "Wrote " + car.png + ": 256 x " +
                                      std::to_string(expected.height) +
                                      " pixels, 5 parts, 160 triangles\n");
  }
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
    EXPECT_THAT(console.transcript, ::testing::StartsWith("tromvex-view: "));
    EXPECT_THAT(
        console.transcript,
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
  struct Case {
    std::string fce, tga, message;
  };
  const Case cases[] = {
      {absent, car.tga, "Could not open " + absent + "\n"},
      {car.fce, car.dir.path().string(), "Could not open " + car.dir.path().string() + "\n"},
      {cut, car.tga,
       "Could not read " + cut +
           ": the FCE file is 100 bytes long, too short for its 7940-byte header\n"},
      {car.fce, rle,
       "Could not read " + rle +
           ": the TGA file is of image type 10; only uncompressed true-colour images (type 2) without one can be read\n"},
  };
  for (const Case& c : cases) {
    RecordingConsole console;
    EXPECT_EQ(run_with({c.fce, c.tga, car.png}, console), 1);
    EXPECT_EQ(console.transcript, c.message);
    EXPECT_FALSE(std::filesystem::exists(car.png));
  }
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
