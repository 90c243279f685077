// Tests of whole-file loading and of output writes that never leave a half-written file.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/platform.hpp"
#include "support/temp_dir.hpp"
#ifndef _WIN32
#include "support/child_process.hpp"
#endif

namespace tromvex {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::TempDir;
using test::write_file;

const Bytes kContent{0x00, 'c', 'a', 'r', 0xFF, 0x10, 0xFB};

TEST(LoadWholeFile, GivesTheBytesOrNothing) {
  TempDir dir;
  write_file(dir.file("car.geo"), kContent);
  write_file(dir.file("empty.geo"), {});
  fs::create_directory(dir.file("folder.geo"));

  EXPECT_EQ(load_whole_file(dir.file("car.geo")), kContent);
  EXPECT_EQ(load_whole_file(dir.file("empty.geo")), Bytes{});
  EXPECT_EQ(load_whole_file(dir.file("missing.geo")), std::nullopt);
  EXPECT_EQ(load_whole_file(dir.file("folder.geo")), std::nullopt);
}

#ifndef _WIN32
// A file larger than one read may bring comes whole; a device is read for as long as a seek to
// its end says; a pipe is refused without waiting for a writer.
TEST(LoadWholeFile, ReadsLargeFilesWholeAndDevicesByTheirLength) {
  TempDir dir;
  Bytes large(3 << 20);
  for (std::size_t i = 0; i < large.size(); ++i)
    large[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
  write_file(dir.file("large.qfs"), large);
  ASSERT_EQ(mkfifo(dir.file("pipe.geo").c_str(), 0600), 0);

  EXPECT_EQ(load_whole_file(dir.file("large.qfs")), large);
  EXPECT_EQ(load_whole_file("/dev/null"), Bytes{});
  EXPECT_EQ(load_whole_file(dir.file("pipe.geo")), std::nullopt);
}
#endif

TEST(IsFolder, TellsFoldersFromFilesAndMissingNames) {
  TempDir dir;
  write_file(dir.file("car.viv"), kContent);
  fs::create_directory(dir.path() / fs::path(u8"Wagen-\u00DF"));  // a name beyond ASCII
  EXPECT_TRUE(is_folder(dir.path().string()));
  EXPECT_TRUE(is_folder(dir.path().string() + "/Wagen-\xC3\x9F"));  // the same name in UTF-8
  EXPECT_FALSE(is_folder(dir.file("car.viv")));
  EXPECT_FALSE(is_folder(dir.file("missing")));
  EXPECT_FALSE(is_folder(""));
}

// One file reached by other spellings, a link or (Windows) another case has one identity;
// another file of the same bytes has another; a missing file has none.
TEST(FileIdentity, TellsOneFileFromAnotherWhateverItsName) {
  TempDir dir;
  write_file(dir.file("car.geo"), kContent);
  write_file(dir.file("copy.geo"), kContent);
  fs::create_directory(dir.file("sub"));
  fs::create_hard_link(dir.file("car.geo"), dir.file("sub/hard.geo"));
  const std::optional<FileIdentity> identity = file_identity(dir.file("car.geo"));
  ASSERT_TRUE(identity.has_value());
  for (const std::string& same :
       {dir.file("./car.geo"), dir.file("sub/../car.geo"), dir.file("sub/hard.geo")}) {
    EXPECT_EQ(file_identity(same), identity) << same;
  }
  EXPECT_NE(file_identity(dir.file("copy.geo")), identity);
  EXPECT_NE(file_identity(dir.file("sub")), identity);
  EXPECT_EQ(file_identity(dir.file("missing.geo")), std::nullopt);
#ifdef _WIN32
  EXPECT_EQ(file_identity(dir.file("CAR.GEO")), identity);
#else
  fs::create_symlink("car.geo", dir.file("link.geo"));
  EXPECT_EQ(file_identity(dir.file("link.geo")), identity);
  EXPECT_EQ(file_identity(dir.file("CAR.GEO")), std::nullopt);  // another name here
#endif
}

// The writes below rely on POSIX modes, links, devices and users.
#ifndef _WIN32
std::vector<std::string> names_in(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t mode_of(const std::string& path) {
  struct stat status {};
  stat(path.c_str(), &status);
  return status.st_mode & 07777;
}

TEST(WriteWholeFile, CreatesANewFileWithTheUmaskMode) {
  TempDir dir;
  const mode_t old_umask = umask(022);
  const auto outcome = write_whole_file(dir.file("car.fce"), kContent);
  umask(old_umask);
  ASSERT_EQ(outcome, WriteOutcome::written);
  EXPECT_EQ(read_file(dir.file("car.fce")), kContent);
  EXPECT_EQ(mode_of(dir.file("car.fce")), 0644u);
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"car.fce"});
}

TEST(WriteWholeFile, ReplacesAnExistingFileKeepingItsMode) {
  TempDir dir;
  write_file(dir.file("car.fce"), Bytes(5000, 0xAA));  // longer than the new content
  chmod(dir.file("car.fce").c_str(), 0640);
  ASSERT_EQ(write_whole_file(dir.file("car.fce"), kContent), WriteOutcome::written);
  EXPECT_EQ(read_file(dir.file("car.fce")), kContent);
  EXPECT_EQ(mode_of(dir.file("car.fce")), 0640u);
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"car.fce"});
}

TEST(WriteWholeFile, ReplacesTheFileALinkPointsToAndKeepsTheLink) {
  TempDir dir;
  fs::create_directory(dir.file("real"));
  write_file(dir.file("real/car.fce"), Bytes{1, 2, 3});
  fs::create_symlink("real/car.fce", dir.file("link.fce"));
  fs::create_symlink("real/new.fce", dir.file("dangling.fce"));

  ASSERT_EQ(write_whole_file(dir.file("link.fce"), kContent), WriteOutcome::written);
  ASSERT_EQ(write_whole_file(dir.file("dangling.fce"), kContent), WriteOutcome::written);
  EXPECT_TRUE(fs::is_symlink(dir.file("link.fce")));
  EXPECT_TRUE(fs::is_symlink(dir.file("dangling.fce")));
  EXPECT_EQ(read_file(dir.file("real/car.fce")), kContent);
  EXPECT_EQ(read_file(dir.file("real/new.fce")), kContent);
  EXPECT_EQ(names_in(dir.path() / "real"), (std::vector<std::string>{"car.fce", "new.fce"}));
}

TEST(WriteWholeFile, AFolderOrAMissingFolderCannotBeCreated) {
  TempDir dir;
  fs::create_directory(dir.file("car.fce"));
  EXPECT_EQ(write_whole_file(dir.file("car.fce"), kContent), WriteOutcome::cannot_create);
  EXPECT_EQ(write_whole_file(dir.file("no/car.fce"), kContent), WriteOutcome::cannot_create);
  EXPECT_TRUE(fs::is_empty(dir.file("car.fce")));
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"car.fce"});
}

// Runs the write as a user who is not root (root may write anywhere), so that the folder's
// permissions apply; returns the outcome.
WriteOutcome write_as_ordinary_user(const std::string& path) {
  const int status = test::status_as_ordinary_user(
      [&] { return static_cast<int>(write_whole_file(path, kContent)); });
  EXPECT_NE(status, -1);
  return static_cast<WriteOutcome>(status);
}

TEST(WriteWholeFile, AReadOnlyFolderCannotBeCreatedAndKeepsItsFiles) {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms(0755));
  fs::create_directory(dir.file("locked"));
  write_file(dir.file("locked/old.fce"), Bytes{7, 7});
  chmod(dir.file("locked/old.fce").c_str(), 0444);
  fs::permissions(dir.file("locked"), fs::perms(0555));

  EXPECT_EQ(write_as_ordinary_user(dir.file("locked/car.fce")), WriteOutcome::cannot_create);
  EXPECT_EQ(write_as_ordinary_user(dir.file("locked/old.fce")), WriteOutcome::cannot_create);
  EXPECT_EQ(names_in(dir.path() / "locked"), std::vector<std::string>{"old.fce"});
  EXPECT_EQ(read_file(dir.file("locked/old.fce")), (Bytes{7, 7}));
}

// A file the user may not write is not replaced, even where the folder would allow it.
TEST(WriteWholeFile, AReadOnlyFileIsNotReplaced) {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms(0777));
  write_file(dir.file("car.fce"), Bytes{7, 7});
  chmod(dir.file("car.fce").c_str(), 0444);
  EXPECT_EQ(write_as_ordinary_user(dir.file("car.fce")), WriteOutcome::cannot_create);
  EXPECT_EQ(read_file(dir.file("car.fce")), (Bytes{7, 7}));
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"car.fce"});
}

// A write that fails half-way (here at a file size limit smaller than the content) leaves the
// old file whole and no temporary file behind.
TEST(WriteWholeFile, AFailedWriteLeavesTheOldFileWhole) {
  TempDir dir;
  write_file(dir.file("car.fce"), Bytes{7, 7});
  const int status = test::status_with_file_size_limit(
      3, [&] { return static_cast<int>(write_whole_file(dir.file("car.fce"), kContent)); });
  EXPECT_EQ(static_cast<WriteOutcome>(status), WriteOutcome::write_failed);
  EXPECT_EQ(read_file(dir.file("car.fce")), (Bytes{7, 7}));
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"car.fce"});
}

TEST(WriteWholeFile, DevicesAreWrittenInPlace) {
  EXPECT_EQ(write_whole_file("/dev/null", kContent), WriteOutcome::written);
  EXPECT_EQ(write_whole_file("/dev/full", kContent), WriteOutcome::write_failed);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));  // the device itself was not replaced
}

#endif  // _WIN32

}  // namespace
}  // namespace tromvex
