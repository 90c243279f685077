// Tests of the folder calls: listing with each entry's kind, creating, renaming and removing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/platform.hpp"
#include "support/temp_dir.hpp"

namespace tromvex {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::TempDir;
using test::write_file;

std::vector<std::pair<std::string, EntryKind>> sorted(std::vector<FolderEntry> entries) {
  std::vector<std::pair<std::string, EntryKind>> pairs;
  for (const FolderEntry& entry : entries) pairs.emplace_back(entry.name, entry.kind);
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

TEST(ListFolder, GivesEachEntryWithItsKindAndNothingForAMissingFolder) {
  TempDir dir;
  write_file(dir.file("CAR.GEO"), {1});
  fs::create_directory(dir.file("CarModel"));
  write_file(dir.file("CarModel/inner.qfs"), {2});
  std::vector<std::pair<std::string, EntryKind>> expected{{"CAR.GEO", EntryKind::file},
                                                          {"CarModel", EntryKind::folder}};
#ifndef _WIN32
  // A link is a link whatever it points at: a folder, a file, or nothing.
  fs::create_directory_symlink(dir.file("CarModel"), dir.file("to_folder"));
  fs::create_symlink(dir.file("CAR.GEO"), dir.file("to_file"));
  fs::create_symlink(dir.file("gone"), dir.file("dangling"));
  expected.insert(expected.end(), {{"dangling", EntryKind::link},
                                   {"to_file", EntryKind::link},
                                   {"to_folder", EntryKind::link}});
  EXPECT_TRUE(path_exists(dir.file("dangling")));
#endif
  const auto entries = list_folder(dir.path().string());
  ASSERT_TRUE(entries.has_value());
  EXPECT_EQ(sorted(*entries), expected);
  EXPECT_EQ(sorted(*list_folder(dir.file("CarModel"))),
            (std::vector<std::pair<std::string, EntryKind>>{{"inner.qfs", EntryKind::file}}));
  EXPECT_EQ(list_folder(dir.file("missing")), std::nullopt);
  EXPECT_EQ(list_folder(dir.file("CAR.GEO")), std::nullopt);
}

TEST(CreateFolder, CreatesOnlyWhereNothingStands) {
  TempDir dir;
  write_file(dir.file("file"), {1});
  EXPECT_TRUE(create_folder(dir.file("new")));
  EXPECT_TRUE(fs::is_directory(dir.file("new")));
  EXPECT_FALSE(create_folder(dir.file("new")));
  EXPECT_FALSE(create_folder(dir.file("file")));
  EXPECT_FALSE(create_folder(dir.file("missing/new")));
  EXPECT_TRUE(path_exists(dir.file("new")) && path_exists(dir.file("file")));
  EXPECT_FALSE(path_exists(dir.file("missing")));
}

TEST(RenameAndRemove, ReplaceFilesAndRemoveOnlyEmptyFolders) {
  TempDir dir;
  write_file(dir.file("new"), {1, 2});
  write_file(dir.file("old"), {9});
  EXPECT_TRUE(rename_file(dir.file("new"), dir.file("old")));
  EXPECT_EQ(read_file(dir.file("old")), (Bytes{1, 2}));
  EXPECT_FALSE(path_exists(dir.file("new")));
  EXPECT_FALSE(rename_file(dir.file("new"), dir.file("other")));

  fs::create_directory(dir.file("full"));
  write_file(dir.file("full/car.viv"), {3});
  EXPECT_FALSE(remove_empty_folder(dir.file("full")));
  EXPECT_TRUE(remove_file(dir.file("full/car.viv")));
  EXPECT_FALSE(remove_file(dir.file("full/car.viv")));
  EXPECT_TRUE(remove_empty_folder(dir.file("full")));
  EXPECT_FALSE(path_exists(dir.file("full")));
}

}  // namespace
}  // namespace tromvex
