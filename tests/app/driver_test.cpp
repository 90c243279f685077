// Tests of the command-line driver's failure stops, run as the real program and in-process.
#include "app/driver.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/console.hpp"
#include "common/version.hpp"
#include "support/subprocess.hpp"
#include "support/temp_dir.hpp"

namespace tromvex {
namespace {

using test::run_process;
using test::TempDir;

// What every run prints first, whatever its arguments.
std::string banner_and_usage() {
  return std::string("\tNFS2(SE) -> NFS3 car converter") + "\n\ttromvex " + kVersion +
         ", free software under the MIT License" +
         "\n\tConverts an NFS2(SE) GEO and QFS car into an NFS3 FCE and TGA car" +
         "\n\tReport problems on the tromvex issue tracker, with the files that caused them\n" +
         "\nUsage: tromvex <filename>.geo <filename>.qfs <filename>.fce <filename>00.tga\n\n";
}

const std::string kLoading = "Reading NFS2(SE) files:\n\t- Reading GEO file...\n";
const std::string kPrompt = "\nPress any key...";

// A console that keeps the transcript and marks every pause in it.
class RecordingConsole final : public Console {
 public:
  void print(std::string_view text) override { transcript.append(text); }
  int wait_for_key() override {
    transcript += "<pause>";
    return 'y';
  }
  std::string transcript;
};

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
        std::vector<std::string>{TROMVEX_EXE}}) {
    const auto result = run_process(TROMVEX_EXE, args);
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.output, banner_and_usage() + "\nNot enought parameters" + kPrompt);
    EXPECT_EQ(result.exit_status, 1);
  }
}

TEST(Driver, TooFewNamesPauseOnceAfterThePrompt) {
  RecordingConsole console;
  const std::vector<std::string> args{"tromvex", "a.geo", "a.qfs", "a.fce"};
  EXPECT_EQ(run(args, console), 1);  // the key pressed does not become the status
  EXPECT_EQ(console.transcript, banner_and_usage() + "\nNot enought parameters" + kPrompt + "<pause>");
}

// The texture file is a FIFO nobody writes to: opening it would block the program until the
// deadline, so a clean stop proves it was never opened.
TEST(Driver, MissingGeoFileStopsBeforeTheTextureFileIsOpened) {
  TempDir dir;
  const std::string fifo = dir.file("car.qfs");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string geo = dir.path().string() + "//./missing.GEO";  // printed exactly as typed
  const auto result = run_process(
      TROMVEX_EXE, {TROMVEX_EXE, geo, fifo, dir.file("car.fce"), dir.file("car00.tga"), "extra"},
      std::chrono::seconds(5));
  ASSERT_FALSE(result.timed_out) << "the texture file was opened";
  EXPECT_EQ(result.output, banner_and_usage() + kLoading + "\nCould not open " + geo + kPrompt);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"car.qfs"});
}

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
      {dir.file("folder.geo"), dir.file("missing.qfs"), "\nCould not open " + dir.file("folder.geo")},
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

  const auto result = run_process(TROMVEX_EXE, {TROMVEX_EXE, dir.file("car.geo"), dir.file("car.qfs"),
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

}  // namespace
}  // namespace tromvex
