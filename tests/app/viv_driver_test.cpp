// Tests of tromvex-viv's driver: its transcripts, statuses and the files it writes or refuses.
#include "app/viv_driver.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/recording_console.hpp"
#include "support/temp_dir.hpp"
#include "support/viv_builder.hpp"
#include "viv/viv.hpp"

namespace tromvex {
namespace {

using test::names_in;
using test::read_file;
using test::RecordingConsole;
using test::TempDir;
using test::viv_archive;
using test::write_file;

const std::string kUsage =
    "Usage: tromvex-viv list ARCHIVE\n"
    "       tromvex-viv extract ARCHIVE [MEMBER...] [-C DIR]\n"
    "       tromvex-viv put ARCHIVE FILE... [--as NAME]\n";

struct Outcome {
  int status;
  std::string transcript;  // standard output
  std::string errors;      // standard error
};

Outcome run_with(std::vector<std::string> args) {
  args.insert(args.begin(), "tromvex-viv");
  RecordingConsole console;
  const int status = run_viv(args, console);
  return {status, console.transcript, console.errors};
}

TEST(VivDriver, WrongArgumentsGiveTheUsageAndStatusTwo) {
  const std::vector<std::vector<std::string>> cases{{},
                                                    {"list"},
                                                    {"list", "a.viv", "extra"},
                                                    {"pack", "a.viv"},
                                                    {"put", "a.viv"},
                                                    {"put", "a.viv", "x", "y", "--as", "z"},
                                                    {"extract", "a.viv", "-C"},
                                                    {"extract", "a.viv", "-C", "d", "-C", "e"},
                                                    {"extract", "a.viv", "--as", "x"},
                                                    {"put", "a.viv", "x", "-C", "d"}};
  for (const auto& args : cases) {
    const Outcome outcome = run_with(args);
    EXPECT_EQ(outcome.status, 2) << testing::PrintToString(args);
    EXPECT_EQ(outcome.errors, kUsage);
    EXPECT_EQ(outcome.transcript, "");
  }
}

// An unknown option, wherever it stands, makes the command line wrong: it is never taken as the
// member or file it stands in place of. A single dash does not make an option.
TEST(VivDriver, AnUnknownOptionIsAUsageError) {
  TempDir dir;
  const Bytes archive = viv_archive({{"car.fce", {1}}});
  write_file(dir.file("a.viv"), archive);
  const auto unknown = [](const std::string& option) {
    return "tromvex-viv: unknown option " + option + "\n" + kUsage;
  };
  for (const auto& [args, status, errors] :
       std::vector<std::tuple<std::vector<std::string>, int, std::string>>{
           {{"list", dir.file("a.viv"), "-v"}, 2, kUsage},
           {{"-C", dir.file(""), "list", dir.file("a.viv")}, 2, kUsage},
           {{"extract", dir.file("a.viv"), "--force", "-C", dir.file("")}, 2, unknown("--force")},
           {{"put", dir.file("a.viv"), "--bogus"}, 2, unknown("--bogus")},
           {{"--bogus", "list", dir.file("a.viv")}, 2, unknown("--bogus")},
           {{"extract", dir.file("a.viv"), "-x"},
            1,
            "No member named -x in " + dir.file("a.viv") + "\n"}}) {
    const Outcome outcome = run_with(args);
    EXPECT_EQ(outcome.status, status) << testing::PrintToString(args);
    EXPECT_EQ(outcome.errors, errors);
    EXPECT_EQ(outcome.transcript, "");
  }
  EXPECT_EQ(read_file(dir.file("a.viv")), archive);
  EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"a.viv"});
}

TEST(VivDriver, ListsIndexNameSizeAndOffset) {
  TempDir dir;
  write_file(dir.file("a.viv"), viv_archive({{"car.fce", Bytes(10)}, {"x", {}}, {"tab\t", {1}}}));
  const Outcome outcome = run_with({"list", dir.file("a.viv")});
  EXPECT_EQ(outcome.status, 0);
  // Directory: 16 + 16 + 10 + 13 = 55, so data from 56; names padded to the widest shown.
  EXPECT_EQ(outcome.transcript,
            "0  car.fce  10 bytes at 56\n"
            "1  x        0 bytes at 68\n"
            "2  tab\\x09  1 bytes at 68\n");
}

TEST(VivDriver, AnUnreadableOrMalformedArchiveIsNamedWithStatusOne) {
  TempDir dir;
  write_file(dir.file("bad.viv"), Bytes{'B', 'I', 'G', 'F', 0, 0, 0});
  write_file(dir.file("car.qfs"), Bytes{0x10, 0xFB, 0, 0, 4, 0x80});
  for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"list", dir.file("none.viv")},
            "Could not read " + dir.file("none.viv") + ": the file cannot be opened or read\n"},
           {{"extract", dir.file("bad.viv")},
            "Could not read " + dir.file("bad.viv") +
                ": the VIV archive is 7 bytes long, too short for its 16-byte header\n"},
           {{"put", dir.file("bad.viv"), dir.file("bad.viv")},
            "Could not read " + dir.file("bad.viv") +
                ": the VIV archive is 7 bytes long, too short for its 16-byte header\n"},
           {{"list", dir.file("car.qfs")},
            "Could not read " + dir.file("car.qfs") +
                ": it is not a VIV archive (it does not begin with \"BIGF\")\n"}}) {
    const Outcome outcome = run_with(args);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.errors, message);
    EXPECT_EQ(outcome.transcript, "");
  }
  EXPECT_EQ(read_file(dir.file("bad.viv")), (Bytes{'B', 'I', 'G', 'F', 0, 0, 0}));
}

TEST(VivDriver, ExtractsAllKeepingTheFirstOfTwoNames) {
  TempDir dir;
  write_file(dir.file("a.viv"), viv_archive({{"Car.geo", {1, 2}}, {"data", {}}, {"CAR.GEO", {3}}}));
  std::filesystem::create_directory(dir.path() / "out");
  write_file(dir.file("out/Car.geo"), Bytes{7, 7, 7, 7});  // replaced
  const Outcome outcome = run_with({"extract", dir.file("a.viv"), "-C", dir.file("out")});
  EXPECT_EQ(outcome.status, 0);
  const std::string out = dir.file("out") + "/";
  EXPECT_EQ(
      outcome.transcript,
      "Warning: member 2 ('CAR.GEO') has the name of member 0 and was not extracted; #2 extracts it alone\n"
      "Extracted " +
          out +
          "Car.geo (2 bytes)\n"
          "Extracted " +
          out + "data (0 bytes)\n");
  EXPECT_EQ(read_file(out + "Car.geo"), (Bytes{1, 2}));
  EXPECT_EQ(read_file(out + "data"), Bytes{});
}

TEST(VivDriver, ExtractsNamedMembersWithoutRegardToCaseOrByIndex) {
  TempDir dir;
  write_file(dir.file("a.viv"),
             viv_archive({{"Car.geo", {1, 2}}, {"data", {5}}, {"CAR.GEO", {3}}}));
  const std::string out = dir.file("");
  Outcome outcome = run_with({"extract", dir.file("a.viv"), "car.GEO", "-C", out});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(read_file(out + "Car.geo"), (Bytes{1, 2}));
  outcome = run_with({"extract", dir.file("a.viv"), "-C", out, "#2"});
  EXPECT_EQ(outcome.transcript, "Extracted " + out + "CAR.GEO (1 bytes)\n");

  // One selector naming nothing: nothing is extracted.
  outcome = run_with({"extract", dir.file("a.viv"), "data", "#3", "nothing", "-C", out});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.transcript, "");
  EXPECT_EQ(outcome.errors, "No member #3 in " + dir.file("a.viv") +
                                ": it holds 3 members\nNo member named nothing in " +
                                dir.file("a.viv") + "\n");
  EXPECT_FALSE(std::filesystem::exists(out + "data"));

  outcome = run_with({"extract", dir.file("a.viv"), "-C", dir.file("none")});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.errors,
            "Could not extract into " + dir.file("none") + ": there is no folder of that name\n");
}

TEST(VivDriver, HostileNamesAreRefusedAndNothingLeavesTheFolder) {
  TempDir dir;
  const std::vector<std::string> hostile{"../x", "/abs", "C:x", "a\\b", "", "nul"};
  std::vector<std::pair<std::string, Bytes>> contents;
  for (const std::string& name : hostile) contents.push_back({name, {6, 6}});
  contents.push_back({"ok", {1}});
  write_file(dir.file("a.viv"), viv_archive(contents));
  std::filesystem::create_directory(dir.path() / "out");

  Outcome outcome = run_with({"extract", dir.file("a.viv"), "-C", dir.file("out")});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.errors,
            "Refused member 0 ('../x'): its name is not a plain file name\n"
            "Refused member 1 ('/abs'): its name is not a plain file name\n"
            "Refused member 2 ('C:x'): its name is not a plain file name\n"
            "Refused member 3 ('a\\x5Cb'): its name is not a plain file name\n"
            "Refused member 4 (''): its name is not a plain file name\n"
            "Refused member 5 ('nul'): its name is not a plain file name\n");
  EXPECT_EQ(outcome.transcript, "Extracted " + dir.file("out") + "/ok (1 bytes)\n");
  EXPECT_EQ(names_in(dir.path() / "out"), std::set<std::string>{"ok"});
  EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"a.viv", "out"}));

  outcome = run_with({"extract", dir.file("a.viv"), "#0", "-C", dir.file("out")});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"a.viv", "out"}));
}

// A member that cannot be written is named by its target; the others are still extracted.
TEST(VivDriver, AFailedExtractNamesTheTargetAndGoesOn) {
  TempDir dir;
  write_file(dir.file("a.viv"), viv_archive({{"sub", {1}}, {"ok", {2}}, {"full", {3}}}));
  std::filesystem::create_directories(dir.path() / "out" / "sub");
  const std::string out = dir.file("out") + "/";
  Outcome outcome = run_with({"extract", dir.file("a.viv"), "-C", dir.file("out")});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.errors,
            "Could not write " + out + "sub: it cannot be created or put in place\n");
  EXPECT_EQ(outcome.transcript,
            "Extracted " + out + "ok (1 bytes)\nExtracted " + out + "full (1 bytes)\n");
  EXPECT_TRUE(std::filesystem::is_directory(out + "sub"));
#ifndef _WIN32
  // Only the member named "full" goes to /dev, where nothing else may be written.
  outcome = run_with({"extract", dir.file("a.viv"), "full", "-C", "/dev"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.errors,
            "Could not write /dev/full (is the disk full?); it was left as it was\n");
#endif
}

// A member of the archive's own name is not extracted over it, whatever the folder is called;
// the others are.
TEST(VivDriver, ExtractNeverWritesOverTheArchive) {
  TempDir dir;
  const Bytes archive = viv_archive({{"a.viv", {1}}, {"car.fce", {2}}});
  write_file(dir.file("a.viv"), archive);
  std::filesystem::create_directory(dir.file("sub"));
  const std::string folder = dir.file("sub/..");
  const Outcome outcome = run_with({"extract", dir.file("a.viv"), "-C", folder});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.errors, "Could not write " + folder + "/a.viv: it is one of the input files\n");
  EXPECT_EQ(outcome.transcript, "Extracted " + folder + "/car.fce (1 bytes)\n");
  EXPECT_EQ(read_file(dir.file("a.viv")), archive);
}

TEST(VivDriver, PutReplacesAndAppendsKeepingEveryOtherMember) {
  TempDir dir;
  write_file(dir.file("car.viv"),
             viv_archive({{"CAR.FCE", {1}}, {"carp.txt", {2, 2}}, {"car.fce", {3}}}));
  write_file(dir.file("car.fce"), Bytes{9, 9});
  write_file(dir.file("tex.tga"), Bytes{8});
  const Outcome outcome = run_with({"put", dir.file("car.viv"), dir.file("car.fce")});
  EXPECT_EQ(outcome.status, 0);
  const Outcome appended =
      run_with({"put", dir.file("car.viv"), "--as", "car00.tga", dir.file("tex.tga")});
  // Directories of 16 + 16 + 17 + 16 and + 18 bytes: data from 68 and from 84, 4-aligned.
  EXPECT_EQ(outcome.transcript, "Replaced member 0 ('CAR.FCE') with " + dir.file("car.fce") +
                                    " (2 bytes)\nWrote " + dir.file("car.viv") +
                                    " (3 members, 77 bytes)\n");
  EXPECT_EQ(appended.transcript, "Added member 3 ('car00.tga') from " + dir.file("tex.tga") +
                                     " (1 bytes)\nWrote " + dir.file("car.viv") +
                                     " (4 members, 97 bytes)\n");
  EXPECT_EQ(read_file(dir.file("car.viv")),
            viv_archive(
                {{"CAR.FCE", {9, 9}}, {"carp.txt", {2, 2}}, {"car.fce", {3}}, {"car00.tga", {8}}}));
}

// An appended member the game would not read, because a member of its kind is there already,
// is followed by a note naming that member; a replaced one, or one of a new kind, is not.
TEST(VivDriver, PutNamesTheMemberTheGameReadsInsteadOfAnAppendedOne) {
  TempDir dir;
  write_file(dir.file("car.viv"),
             viv_archive({{"readme", {}}, {"CAR00.TGA", {1}}, {"car.fce", {2}}}));
  for (const char* file : {"mycar.fce", "mycar00.Tga", "notes", "extra.dat", "more.dat", "car.fce"})
    write_file(dir.file(file), Bytes{9});
  const Outcome outcome = run_with(
      {"put", dir.file("car.viv"), dir.file("mycar.fce"), dir.file("mycar00.Tga"),
       dir.file("notes"), dir.file("extra.dat"), dir.file("more.dat"), dir.file("car.fce")});
  EXPECT_EQ(outcome.status, 0);
  const std::string archive = dir.file("car.viv");
  const auto added = [&](int index, const std::string& name) {
    return "Added member " + std::to_string(index) + " ('" + name + "') from " + dir.file(name) +
           " (1 bytes)\n";
  };
  const std::string expected =
      added(3, "mycar.fce") + "Note: " + archive +
      " also holds 'car.fce'; NFS3 reads that one. Use --as car.fce to replace it.\n" +
      added(4, "mycar00.Tga") + "Note: " + archive +
      " also holds 'CAR00.TGA'; NFS3 reads that one. Use --as CAR00.TGA to replace it.\n" +
      added(5, "notes") + added(6, "extra.dat") + added(7, "more.dat") +
      "Replaced member 2 ('car.fce') with " + dir.file("car.fce") + " (1 bytes)\nWrote " + archive;
  EXPECT_EQ(outcome.transcript.substr(0, expected.size()), expected);
  EXPECT_EQ(outcome.errors, "");
}

TEST(VivDriver, AFailedPutLeavesTheArchiveAsItWas) {
  TempDir dir;
  const Bytes original = viv_archive({{"car.fce", {1}}, {"b", Bytes(64, 5)}, {"c", {}}});
  // Entries at 16, 32 and 42; data of car.fce at 52, of b at 56 to 120. Member c is made to
  // share b's 64 bytes: 1 + 64 + 64 = 129 bytes of data in 120, which a rebuild would copy.
  Bytes overlapping = original;
  overlapping[42 + 3] = 56;
  overlapping[42 + 7] = 64;
  write_file(dir.file("car.viv"), original);
  write_file(dir.file("overlap.viv"), overlapping);
  write_file(dir.file("car.fce"), Bytes{9});
  for (
      const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
          {{"put", dir.file("car.viv"), dir.file("car.fce"), dir.file("none")},
           "Could not read " + dir.file("none") + ": the file cannot be opened or read\n"},
          {{"put", dir.file("car.viv"), dir.file("car.fce"), "--as", "../car.fce"},
           "Refused the name '../car.fce' for " + dir.file("car.fce") +
               ": a member name must be a plain file name\n"},
          {{"put", dir.file("overlap.viv"), dir.file("car.fce")},
           "Could not update " + dir.file("overlap.viv") +
               ": its members overlap; their data add up to 129 bytes, more than the archive's 120\n"}}) {
    const Outcome outcome = run_with(args);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.errors, message);
    EXPECT_EQ(outcome.transcript, "");
  }
  EXPECT_EQ(read_file(dir.file("car.viv")), original);
  EXPECT_EQ(read_file(dir.file("overlap.viv")), overlapping);
  EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"car.viv", "overlap.viv", "car.fce"}));
}

}  // namespace
}  // namespace tromvex
