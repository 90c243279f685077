// Tests of tromvex-unpack, run in-process and as the real program.
#include "app/unpack_driver.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/recording_console.hpp"
#include "support/subprocess.hpp"
#include "support/temp_dir.hpp"
#include "tools/stream_compress.hpp"

namespace tromvex {
namespace {

using test::RecordingConsole;
using test::TempDir;

const std::string kUsage =
    "Usage: tromvex-unpack <packed file> <unpacked file>\n"
    "Unpacks a RefPack (10 FB, 11 FB), Huffman (30-35 FB, B0-B5 FB) or BTree (46 FB) file of\n"
    "NFS2(SE) into its raw bytes; a plain SHPI archive is copied as it is.\n";

TEST(Unpack, AnythingButTwoNamesPrintsTheUsageWithStatusTwo) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"tromvex-unpack"},
                                               {"tromvex-unpack", "a"},
                                               {"tromvex-unpack", "a", "b", "c"},
                                               {"tromvex-unpack", "-o", "a", "b"}}) {
    RecordingConsole console;
    EXPECT_EQ(run_unpack(args, console), 2);
    EXPECT_EQ(console.errors, kUsage);
    EXPECT_EQ(console.transcript, "");
  }
  RecordingConsole console;
  EXPECT_EQ(run_unpack(std::vector<std::string>{"tromvex-unpack", "a", "--out", "b"}, console), 2);
  EXPECT_EQ(console.errors, "tromvex-unpack: unknown option --out\n" + kUsage);
}

// Car data records are packed like texture archives: the bytes need not be an SHPI archive.
TEST(Unpack, WritesTheRawBytesOfAnyPackedFile) {
  TempDir dir;
  const Bytes record{'c', 'a', 'r', 0, 0, 0, 7, 7, 7, 7, 7, 7, 1, 2, 3};
  test::write_file(dir.file("car.dat"), btree_compress(record));
  test::write_file(dir.file("old.raw"), Bytes{1, 2, 3});
  RecordingConsole console;
  EXPECT_EQ(run_unpack(std::vector<std::string>{"tromvex-unpack", dir.file("car.dat"),
                                                dir.file("old.raw")},
                       console),
            0);
  EXPECT_EQ(console.transcript, "Unpacked " + dir.file("car.dat") + " (BTree 46 FB): 15 bytes to " +
                                    dir.file("old.raw") + "\n");
  EXPECT_EQ(test::read_file(dir.file("old.raw")), record);
}

TEST(Unpack, RefusesAMalformedOrMissingFileAndLeavesTheOutputAlone) {
  TempDir dir;
  Bytes cut = huffman_compress(Bytes(100, 'x'), 0x32);
  cut.pop_back();
  test::write_file(dir.file("cut.fsh"), cut);
  test::write_file(dir.file("out.fsh"), Bytes{9});
  const struct {
    std::string in;
    std::string line;
  } cases[] = {
      {dir.file("cut.fsh"),
       "Could not read " + dir.file("cut.fsh") + ": the Huffman stream ends before its end code\n"},
      {dir.file("none.fsh"), "Could not open " + dir.file("none.fsh") + "\n"},
  };
  for (const auto& c : cases) {
    RecordingConsole console;
    EXPECT_EQ(
        run_unpack(std::vector<std::string>{"tromvex-unpack", c.in, dir.file("out.fsh")}, console),
        1);
    EXPECT_EQ(console.errors, c.line);
    EXPECT_EQ(console.transcript, "");
    EXPECT_EQ(test::read_file(dir.file("out.fsh")), Bytes{9});
  }
}

// The packed file itself, under any name, is never replaced by its unpacked bytes.
TEST(Unpack, RefusesToWriteOverThePackedFile) {
  TempDir dir;
  const Bytes packed = btree_compress(Bytes{1, 2, 3});
  test::write_file(dir.file("car.dat"), packed);
  const std::string same = dir.path().string() + "/./car.dat";
  RecordingConsole console;
  EXPECT_EQ(
      run_unpack(std::vector<std::string>{"tromvex-unpack", dir.file("car.dat"), same}, console),
      1);
  EXPECT_EQ(console.errors, "Could not write " + same + ": it is one of the input files\n");
  EXPECT_EQ(test::read_file(dir.file("car.dat")), packed);
}

// A write that fails names the output file, and what stood there stays.
TEST(Unpack, AFailedWriteNamesTheOutputFile) {
  TempDir dir;
  test::write_file(dir.file("car.dat"), btree_compress(Bytes{1, 2, 3}));
  std::filesystem::create_directory(dir.file("folder"));
  struct Case {
    std::string out;
    std::string line;
  };
  std::vector<Case> cases{
      {dir.file("none/out.raw"), "Could not open " + dir.file("none/out.raw") + "\n"},
      {dir.file("folder"), "Could not open " + dir.file("folder") + "\n"},
  };
#ifndef _WIN32
  cases.push_back({"/dev/full",
                   "Could not write /dev/full (is the disk full?); it was left as it "
                   "was\n"});
#endif
  for (const Case& c : cases) {
    RecordingConsole console;
    EXPECT_EQ(
        run_unpack(std::vector<std::string>{"tromvex-unpack", dir.file("car.dat"), c.out}, console),
        1);
    EXPECT_EQ(console.errors, c.line);
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("none")));
}

TEST(Unpack, TheProgramUnpacksAHuffmanFile) {
  TempDir dir;
  const Bytes archive{'S', 'H', 'P', 'I', 1, 1, 1, 1, 1, 0, 2, 0};
  test::write_file(dir.file("car.qfs"), huffman_compress(archive, 0x34));
  const auto result = test::run_process(
      TROMVEX_UNPACK_EXE, {TROMVEX_UNPACK_EXE, dir.file("car.qfs"), dir.file("car.fsh")});
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.output, "Unpacked " + dir.file("car.qfs") + " (Huffman 34 FB): 12 bytes to " +
                               dir.file("car.fsh") + "\n");
  EXPECT_EQ(test::read_file(dir.file("car.fsh")), archive);
  EXPECT_EQ(test::run_process(TROMVEX_UNPACK_EXE, {TROMVEX_UNPACK_EXE}).exit_status, 2);
}

}  // namespace
}  // namespace tromvex
