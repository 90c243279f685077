// Tests of the command-line driver's failure stops, run as the real program and in-process.
#include "app/driver.hpp"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "support/car_builder.hpp"
#include "support/recording_console.hpp"
#include "support/subprocess.hpp"
#include "support/temp_dir.hpp"
#include "support/texture_builders.hpp"
#include "support/transcript.hpp"
#include "tools/car_files.hpp"

namespace tromvex {
namespace {

using test::RecordingConsole;
using test::run_process;
using test::TempDir;

using test::banner_and_usage;
const std::string& kLoading = test::kLoadingLines;
const std::string& kPrompt = test::kPressAnyKey;

std::vector<std::string> names_in(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(Driver, TooFewNamesStopWithUsageAndStatusOne) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{TROMVEX_EXE, "a.geo", "a.qfs", "a.fce"},
        std::vector<std::string>{TROMVEX_EXE}, std::vector<std::string>{TROMVEX_EXE, "--help"}}) {
    const auto result = run_process(TROMVEX_EXE, args);
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.output, banner_and_usage() + "\nNot enought parameters" + kPrompt);
    EXPECT_EQ(result.exit_status, 1);
  }
}

TEST(Driver, TooFewNamesPauseOnceAfterThePrompt) {
  RecordingConsole console(RecordingConsole::Pauses::allowed);
  const std::vector<std::string> args{"tromvex", "a.geo", "a.qfs", "a.fce"};
  EXPECT_EQ(run(args, console), 1);  // the key pressed does not become the status
  EXPECT_EQ(console.transcript,
            banner_and_usage() + "\nNot enought parameters" + kPrompt + "<pause>");
}

// The run stops right after the GEO file's progress line: the texture file is never loaded.
TEST(Driver, MissingGeoFileStopsBeforeTheTextureFile) {
  TempDir dir;
  test::write_file(dir.file("car.qfs"), Bytes{'S', 'H', 'P', 'I'});
  const std::string geo = dir.path().string() + "//./missing.GEO";  // printed exactly as typed
  const auto result = run_process(
      TROMVEX_EXE,
      {TROMVEX_EXE, geo, dir.file("car.qfs"), dir.file("car.fce"), dir.file("car00.tga"), "extra"});
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.output, banner_and_usage() + kLoading + "\nCould not open " + geo + kPrompt);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"car.qfs"});
}

#ifndef _WIN32
// Opening a FIFO that nobody writes to would wait for ever; the deadline would catch that.
TEST(Driver, FifoGivenAsInputStopsAtOnce) {
  TempDir dir;
  const std::string fifo = dir.file("car.geo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto result = run_process(
      TROMVEX_EXE,
      {TROMVEX_EXE, fifo, dir.file("car.qfs"), dir.file("car.fce"), dir.file("car00.tga")},
      std::chrono::seconds(5));
  ASSERT_FALSE(result.timed_out) << "the FIFO was opened";
  EXPECT_EQ(result.output, banner_and_usage() + kLoading + "\nCould not open " + fifo + kPrompt);
  EXPECT_EQ(result.exit_status, 1);
}
#endif  // _WIN32

TEST(Driver, UnreadableInputStopsWithCouldNotOpen) {
  TempDir dir;
  test::write_file(dir.file("car.geo"), Bytes(200, 0));
  std::filesystem::create_directory(dir.file("folder.geo"));
  struct Case {
    std::string geo, qfs, expected_after_loading;
  };
  const std::vector<Case> cases{
      {dir.file("car.geo"), dir.file("missing.qfs"),
       "\t- Reading QFS file...\n\nCould not open " + dir.file("missing.qfs")},
      {dir.file("folder.geo"), dir.file("missing.qfs"),
       "\nCould not open " + dir.file("folder.geo")},
  };
  for (const auto& c : cases) {
    const auto result = run_process(
        TROMVEX_EXE, {TROMVEX_EXE, c.geo, c.qfs, dir.file("car.fce"), dir.file("car00.tga")});
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.output, banner_and_usage() + kLoading + c.expected_after_loading + kPrompt);
    EXPECT_EQ(result.exit_status, 1);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("car.fce")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("car00.tga")));
}

// A texture file that is neither an archive nor a compressed stream is named in the message,
// and outputs that stood before the run are left byte for byte as they were.
TEST(Driver, UnreadableTextureFileStopsAndLeavesOutputsAlone) {
  TempDir dir;
  test::write_file(dir.file("car.geo"), Bytes(200, 0));
  test::write_file(dir.file("car.qfs"), Bytes{'S', 'H', 'P', 'X', 1, 2, 3, 4, 5, 6, 7, 8});
  const Bytes old_fce{'o', 'l', 'd', 0, 0xFF};
  const Bytes old_tga{'t', 'g', 'a'};
  test::write_file(dir.file("car.fce"), old_fce);
  test::write_file(dir.file("car00.tga"), old_tga);

  const auto result =
      run_process(TROMVEX_EXE, {TROMVEX_EXE, dir.file("car.geo"), dir.file("car.qfs"),
                                dir.file("car.fce"), dir.file("car00.tga")});
  ASSERT_FALSE(result.timed_out);
  const std::string expected_start = banner_and_usage() + kLoading + "\t- Reading QFS file...\n" +
                                     "\nCould not read " + dir.file("car.qfs") + ": ";
  ASSERT_GE(result.output.size(), expected_start.size() + kPrompt.size());
  EXPECT_EQ(result.output.substr(0, expected_start.size()), expected_start);
  EXPECT_EQ(result.output.substr(result.output.size() - kPrompt.size()), kPrompt);
  const std::string reason = result.output.substr(
      expected_start.size(), result.output.size() - expected_start.size() - kPrompt.size());
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
  EXPECT_EQ(result.exit_status, 1);

  EXPECT_EQ(test::read_file(dir.file("car.fce")), old_fce);
  EXPECT_EQ(test::read_file(dir.file("car00.tga")), old_tga);
  EXPECT_EQ(names_in(dir).size(), 4u);  // no temporary file either
}

// A malformed input is blamed on the file its phase reads: the GEO file in the mesh phase
// only, the texture file from its expansion to the atlas layout. Nothing is written.
TEST(Driver, AMalformedInputIsBlamedOnTheFileItsPhaseReads) {
  TempDir dir;
  const Bytes geo = write_geo_file(GeoFile{});  // 26 parts, none with a polygon
  const ShpiPicture palette = test::palette_picture(test::Palette{});
  ShpiPicture wide;
  wide.name = "wide";
  wide.width = 769;
  wide.height = 1;
  wide.pixels = Bytes(769, 1);
  Bytes one_entry = write_shpi_archive({palette, palette});
  one_entry[8] = 1;  // the entry count
  test::write_file(dir.file("cut.geo"), Bytes(geo.begin(), geo.begin() + 139));
  test::write_file(dir.file("car.geo"), geo);
  test::write_file(dir.file("car.qfs"), write_shpi_archive({palette}));
  test::write_file(dir.file("one.qfs"), one_entry);
  test::write_file(dir.file("wide.qfs"), write_shpi_archive({palette, wide}));
  const std::string texture_lines = "Reading NFS2(SE) car data:\n\t- Reading Texture data...\n";
  const std::string mesh_line = "\t- Reading Mesh data...\n";
  const std::string converting = "Converting NFS2(SE) car data to NFS3 car data:\n";
  const struct {
    std::string geo, qfs, lines, blamed, reason;
  } cases[] = {
      {"cut.geo", "car.qfs", texture_lines + mesh_line, "cut.geo",
       "the header of the GEO file ends past its end"},
      {"car.geo", "one.qfs", texture_lines, "one.qfs",
       "the texture archive holds 1 entry; at least 2 are needed (a palette and one closing "
       "entry)"},
      {"car.geo", "wide.qfs", texture_lines + mesh_line + converting + "\t- Converting Texture\n",
       "wide.qfs", "picture 1 ('wide') of the texture archive is 769 pixels wide; at most 768 fit"},
  };
  for (const auto& c : cases) {
    RecordingConsole console(RecordingConsole::Pauses::allowed);
    const std::vector<std::string> args{"tromvex", dir.file(c.geo), dir.file(c.qfs),
                                        dir.file("car.fce"), dir.file("car00.tga")};
    EXPECT_EQ(run(args, console), 1) << c.blamed;
    EXPECT_EQ(console.transcript, banner_and_usage() + kLoading + "\t- Reading QFS file...\n" +
                                      c.lines + "\nCould not read " + dir.file(c.blamed) + ": " +
                                      c.reason + kPrompt + "<pause>");
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("car.fce")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("car00.tga")));
}

// What a completed run prints before the final message, for the small car (one missing texture).
std::string conversion_lines() {
  return banner_and_usage() + kLoading + "\t- Reading QFS file...\n" +
         "Reading NFS2(SE) car data:\n" + "\t- Reading Texture data...\n" +
         "\t- Reading Mesh data...\n" + "\tSCHEISSE!\n" +
         "Converting NFS2(SE) car data to NFS3 car data:\n" + "\t- Converting Texture\n" +
         "\t- Converting Mesh data\n" + "Writing NFS3 files:\n" + "\t- Writing TGA file...\n";
}

struct CarInputs {
  TempDir dir;
  std::string geo = dir.file("car.geo");
  std::string qfs = dir.file("car.qfs");
  CarInputs() {
    const test::CarFiles car = test::build_small_car();
    test::write_file(geo, car.geo_image);
    test::write_file(qfs, car.qfs_archive);
  }
};

TEST(Driver, CompletedRunEndsWithTheKeyPressedAsItsStatus) {
  CarInputs car;
  RecordingConsole console(RecordingConsole::Pauses::allowed);
  const std::vector<std::string> args{"tromvex", car.geo, car.qfs, car.dir.file("car.fce"),
                                      car.dir.file("car00.tga")};
  EXPECT_EQ(run(args, console), 'y');
  EXPECT_EQ(console.transcript,
            conversion_lines() + "\t- Writing FCE file...\n" + "\nConvertion sucessefull!<pause>");
}

// An output that is one of the inputs, however it is named, is refused before anything is read
// or written: the inputs keep their bytes and no output appears.
TEST(Driver, RefusesAnOutputThatIsAnInputBeforeAnythingIsWritten) {
  CarInputs car;
  const Bytes geo = test::read_file(car.geo);
  const Bytes qfs = test::read_file(car.qfs);
  std::filesystem::create_directory(car.dir.file("sub"));
  const std::string fce = car.dir.file("car.fce");
  const std::string tga = car.dir.file("car00.tga");
  struct Case {
    std::string fce, tga, named;
  };
  std::vector<Case> cases{
      {car.geo, tga, car.geo},
      {fce, car.dir.file("sub/../car.qfs"), car.dir.file("sub/../car.qfs")},
      {car.qfs, car.geo, car.geo},  // both: the TGA file, written first, is named
  };
#ifdef _WIN32
  cases.push_back({car.dir.file("CAR.GEO"), tga, car.dir.file("CAR.GEO")});
#else
  std::filesystem::create_symlink("car.qfs", car.dir.file("link.fce"));
  cases.push_back({car.dir.file("link.fce"), tga, car.dir.file("link.fce")});
#endif
  for (const Case& c : cases) {
    RecordingConsole console(RecordingConsole::Pauses::allowed);
    const std::vector<std::string> args{"tromvex", car.geo, car.qfs, c.fce, c.tga};
    EXPECT_EQ(run(args, console), 1);
    EXPECT_EQ(console.transcript, banner_and_usage() + "\nCould not write " + c.named +
                                      ": it is one of the input files" + kPrompt + "<pause>");
  }
  EXPECT_EQ(test::read_file(car.geo), geo);
  EXPECT_EQ(test::read_file(car.qfs), qfs);
  EXPECT_FALSE(std::filesystem::exists(fce));
  EXPECT_FALSE(std::filesystem::exists(tga));
}

// The TGA file is written first; when the FCE file then cannot be created, the TGA file stays.
TEST(Driver, FceFileThatCannotBeCreatedStopsAfterTheTgaFile) {
  CarInputs car;
  RecordingConsole console(RecordingConsole::Pauses::allowed);
  const std::string fce = car.dir.file("no such folder/car.fce");
  const std::vector<std::string> args{"tromvex", car.geo, car.qfs, fce, car.dir.file("car00.tga")};
  EXPECT_EQ(run(args, console), 1);
  EXPECT_EQ(console.transcript, conversion_lines() + "\t- Writing FCE file...\n" +
                                    "\nCould not open " + fce + kPrompt + "<pause>");
  EXPECT_EQ(std::filesystem::file_size(car.dir.file("car00.tga")), 262162u);
}

TEST(Driver, TgaFileThatCannotBeCreatedStopsBeforeTheFceFile) {
  CarInputs car;
  RecordingConsole console(RecordingConsole::Pauses::allowed);
  const std::string tga = car.dir.file("car.geo/car00.tga");  // a file is no folder
  const std::vector<std::string> args{"tromvex", car.geo, car.qfs, car.dir.file("car.fce"), tga};
  EXPECT_EQ(run(args, console), 1);
  EXPECT_EQ(console.transcript,
            conversion_lines() + "\nCould not open " + tga + kPrompt + "<pause>");
  EXPECT_FALSE(std::filesystem::exists(car.dir.file("car.fce")));
}

#ifndef _WIN32
TEST(Driver, FailedWriteSaysSoAndStops) {
  CarInputs car;
  RecordingConsole console(RecordingConsole::Pauses::allowed);
  const std::vector<std::string> args{"tromvex", car.geo, car.qfs, car.dir.file("car.fce"),
                                      "/dev/full"};
  EXPECT_EQ(run(args, console), 1);
  EXPECT_EQ(console.transcript,
            conversion_lines() +
                "\nCould not write /dev/full (is the disk full?); it was left as it was" + kPrompt +
                "<pause>");
  EXPECT_FALSE(std::filesystem::exists(car.dir.file("car.fce")));
}

// The TGA file is written before the FCE file fails; the failure names the FCE file.
TEST(Driver, FailedFceWriteSaysSoAfterTheTgaFile) {
  CarInputs car;
  RecordingConsole console(RecordingConsole::Pauses::allowed);
  const std::vector<std::string> args{"tromvex", car.geo, car.qfs, "/dev/full",
                                      car.dir.file("car00.tga")};
  EXPECT_EQ(run(args, console), 1);
  EXPECT_EQ(console.transcript,
            conversion_lines() + "\t- Writing FCE file...\n" +
                "\nCould not write /dev/full (is the disk full?); it was left as it was" + kPrompt +
                "<pause>");
  EXPECT_EQ(std::filesystem::file_size(car.dir.file("car00.tga")), 262162u);
}
#endif  // _WIN32

}  // namespace
}  // namespace tromvex
