// Tests of tromvex-finish, run in-process and as the real program: its line, the file it
// writes, and which file each failure blames.
#include "app/finish_driver.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <string>
#include <vector>

#include "mesh/fce_layout.hpp"
#include "support/fce_builder.hpp"
#include "support/recording_console.hpp"
#include "support/subprocess.hpp"
#include "support/temp_dir.hpp"

namespace tromvex {
namespace {

using test::RecordingConsole;
using test::TempDir;

const std::string kUsage =
    "Usage: tromvex-finish <car>.fce <finished car>.fce\n"
    "Gives every vertex of an NFS3 FCE car the normal the game lights it with, and the car the\n"
    "half sizes of its high body and wheels; the finished car may replace the car itself.\n";

int run_with(std::vector<std::string> args, RecordingConsole& console) {
  args.insert(args.begin(), "tromvex-finish");
  return run_finish(args, console);
}

// A body box reaching 2.4375, 0.666 and 10.005 from the origin (two decimals: 2.44, 0.67 and
// 10.01, the last two rounded from the floats 0.66600001 and 10.0050001), and a wheel box
// inside those reaches.
Bytes two_box_car() {
  return test::fce_image_of(std::vector<test::TestFcePart>{
      test::box_part("body", {}, {}, {2.4375f, 0.666f, 10.005f}),
      test::box_part("wheel", {1.0f, -0.25f, 9.0f}, {}, {0.25f, 0.25f, 0.25f})});
}

float half_size(const Bytes& image, std::size_t i) {
  return std::bit_cast<float>(read_u32_le(image.data() + kFceHalfSizesOffset + 4 * i));
}

TEST(Finish, WrongArgumentsSayWhatIsWrongThenTheUsageWithStatusTwo) {
  const struct {
    std::vector<std::string> args;
    std::string problem;
  } cases[] = {
      {{}, "two file names are needed, 0 given"},
      {{"car.fce"}, "two file names are needed, 1 given"},
      {{"a.fce", "b.fce", "c.fce"}, "two file names are needed, 3 given"},
      {{"--force", "a.fce", "b.fce"}, "unknown option --force"},
      {{"a.fce", "b.fce", "--"}, "unknown option --"},
  };
  for (const auto& c : cases) {
    RecordingConsole console;
    EXPECT_EQ(run_with(c.args, console), 2);
    EXPECT_EQ(console.errors, "tromvex-finish: " + c.problem + "\n" + kUsage);
    EXPECT_EQ(console.transcript, "");
  }
}

TEST(Finish, WritesTheFinishedCarAndSaysSoOnOneLine) {
  TempDir dir;
  const Bytes car = two_box_car();
  test::write_file(dir.file("car.fce"), car);
  test::write_file(dir.file("out.fce"), Bytes{9});
  RecordingConsole console;
  ASSERT_EQ(run_with({dir.file("car.fce"), dir.file("out.fce")}, console), 0);
  EXPECT_EQ(console.transcript, "Finished " + dir.file("out.fce") +
                                    ": 2 parts, 16 normals, half sizes 2.44 x 0.67 x 10.01 m\n");
  const Bytes finished = test::read_file(dir.file("out.fce"));
  ASSERT_EQ(finished.size(), car.size());
  EXPECT_EQ(half_size(finished, 0), 2.4375f);
  EXPECT_EQ(half_size(finished, 1), 0.666f);
  EXPECT_EQ(half_size(finished, 2), 10.005f);
  EXPECT_EQ(test::read_file(dir.file("car.fce")), car);

  // The finished car may replace the car itself.
  RecordingConsole in_place;
  ASSERT_EQ(run_with({dir.file("car.fce"), dir.file("car.fce")}, in_place), 0);
  EXPECT_THAT(in_place.transcript, ::testing::StartsWith("Finished " + dir.file("car.fce") + ": "));
  EXPECT_EQ(test::read_file(dir.file("car.fce")), finished);
}

TEST(Finish, EachFailureBlamesItsFileAndLeavesTheOutputAlone) {
  TempDir dir;
  const Bytes car = two_box_car();
  test::write_file(dir.file("car.fce"), car);
  test::write_file(dir.file("cut.fce"), Bytes(car.begin(), car.begin() + 100));
  Bytes overlapping = car;
  write_u32_le(overlapping.data() + kFceNormalBlockFieldOffset, 0);
  test::write_file(dir.file("overlapping.fce"), overlapping);
  test::write_file(dir.file("out.fce"), Bytes{9});
  const std::string out_no_folder = (dir.path() / "none" / "out.fce").string();
  const struct {
    std::string in, out, line;
  } cases[] = {
      {dir.file("absent.fce"), dir.file("out.fce"), "Could not open " + dir.file("absent.fce")},
      {dir.file("cut.fce"), dir.file("out.fce"),
       "Could not read " + dir.file("cut.fce") +
           ": it is not an FCE file (the FCE file is 100 bytes long, too short for its 7940-byte "
           "header)"},
      {dir.file("overlapping.fce"), dir.file("out.fce"),
       "Could not read " + dir.file("overlapping.fce") +
           ": the normal block of the FCE file overlaps its vertex block"},
      {dir.file("car.fce"), out_no_folder, "Could not open " + out_no_folder},
      {dir.file("car.fce"), dir.path().string(), "Could not open " + dir.path().string()},
#ifndef _WIN32
      {dir.file("car.fce"), "/dev/full",
       "Could not write /dev/full (is the disk full?); it was left as it was"},
#endif
  };
  for (const auto& c : cases) {
    RecordingConsole console;
    EXPECT_EQ(run_with({c.in, c.out}, console), 1) << c.line;
    EXPECT_EQ(console.errors, c.line + "\n");
    EXPECT_EQ(console.transcript, "");
    EXPECT_EQ(test::read_file(dir.file("out.fce")), Bytes{9});
    EXPECT_EQ(test::read_file(dir.file("car.fce")), car);
  }
}

TEST(Finish, TheProgramFinishesACarWithoutWaitingForAKey) {
  TempDir dir;
  test::write_file(dir.file("car.fce"), two_box_car());
  const auto result = test::run_process(
      TROMVEX_FINISH_EXE, {TROMVEX_FINISH_EXE, dir.file("car.fce"), dir.file("done.fce")});
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.output, "Finished " + dir.file("done.fce") +
                               ": 2 parts, 16 normals, half sizes 2.44 x 0.67 x 10.01 m\n");
  EXPECT_EQ(test::run_process(TROMVEX_FINISH_EXE, {TROMVEX_FINISH_EXE}).exit_status, 2);
}

}  // namespace
}  // namespace tromvex
