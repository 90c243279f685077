// Tests of the Windows file reads and safe writes: binary content, UTF-8 names, no leftovers.
#ifdef _WIN32

#include <windows.h>

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

// CR LF, a lone LF and Ctrl-Z: the bytes a text-mode stream would change or stop at.
const Bytes kContent{'c', '\r', '\n', 'a', '\n', 0x1A, 'r', 0x00, 0xFF};
// "wägen.fce" in UTF-8, as the driver passes names on.
const std::string kUtf8Name = "w\xC3\xA4gen.fce";
const std::wstring kWideName = L"w\u00e4gen.fce";

std::vector<std::wstring> names_in(const fs::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

// The test helpers take narrow names in the ANSI code page; names beyond it go through
// the wide calls here.
void write_wide(const fs::path& path, const Bytes& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  CloseHandle(file);
}

Bytes read_wide(const fs::path& path) {
  Bytes bytes(static_cast<std::size_t>(fs::file_size(path)));
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

TEST(LoadWholeFileWindows, GivesTheExactBytesOrNothing) {
  TempDir dir;
  write_file(dir.file("car.geo"), kContent);
  write_file(dir.file("empty.geo"), {});
  fs::create_directory(dir.file("folder.geo"));
  write_wide(dir.path() / kWideName, kContent);

  EXPECT_EQ(load_whole_file(dir.file("car.geo")), kContent);
  EXPECT_EQ(load_whole_file(dir.file("empty.geo")), Bytes{});
  EXPECT_EQ(load_whole_file((dir.path().string() + "\\" + kUtf8Name)), kContent);
  EXPECT_EQ(load_whole_file(dir.file("missing.geo")), std::nullopt);
  EXPECT_EQ(load_whole_file(dir.file("folder.geo")), std::nullopt);
  EXPECT_EQ(load_whole_file(dir.path().string() + "\\bad\xC3("), std::nullopt);  // not UTF-8
  EXPECT_EQ(load_whole_file("NUL"), Bytes{});
}

TEST(WriteWholeFileWindows, WritesExactBytesUnderAUtf8NameAndLeavesNothingElse) {
  TempDir dir;
  const std::string path = dir.path().string() + "\\" + kUtf8Name;
  EXPECT_EQ(write_whole_file(path, kContent), WriteOutcome::written);
  EXPECT_EQ(read_wide(dir.path() / kWideName), kContent);
  EXPECT_EQ(names_in(dir.path()), std::vector<std::wstring>{kWideName});
}

TEST(WriteWholeFileWindows, ReplacesAnExistingFileWhole) {
  TempDir dir;
  write_file(dir.file("car.fce"), Bytes(1000, 7));
  EXPECT_EQ(write_whole_file(dir.file("car.fce"), kContent), WriteOutcome::written);
  EXPECT_EQ(read_file(dir.file("car.fce")), kContent);
  EXPECT_EQ(names_in(dir.path()), std::vector<std::wstring>{L"car.fce"});
}

TEST(WriteWholeFileWindows, WhatCannotBeReplacedIsLeftAloneWithoutLeftovers) {
  TempDir dir;
  fs::create_directory(dir.file("folder.fce"));
  write_file(dir.file("locked.fce"), Bytes{7, 7});
  const std::wstring locked = (dir.path() / "locked.fce").wstring();
  ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));

  EXPECT_EQ(write_whole_file(dir.file("folder.fce"), kContent), WriteOutcome::cannot_create);
  EXPECT_EQ(write_whole_file(dir.file("locked.fce"), kContent), WriteOutcome::cannot_create);
  EXPECT_EQ(write_whole_file(dir.file("no-folder\\car.fce"), kContent),
            WriteOutcome::cannot_create);
  EXPECT_EQ(write_whole_file(dir.path().string() + "\\bad\xC3(", kContent),
            WriteOutcome::cannot_create);
  EXPECT_EQ(write_whole_file("", kContent), WriteOutcome::cannot_create);

  SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(read_file(dir.file("locked.fce")), (Bytes{7, 7}));
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::wstring>{L"folder.fce", L"locked.fce"}));
}

// A file opened elsewhere without delete sharing cannot be renamed over; it keeps its bytes.
TEST(WriteWholeFileWindows, AFileInUseKeepsItsContentAndTheTemporaryIsRemoved) {
  TempDir dir;
  write_file(dir.file("car.fce"), Bytes{7, 7});
  const std::wstring target = (dir.path() / "car.fce").wstring();
  HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(write_whole_file(dir.file("car.fce"), kContent), WriteOutcome::cannot_create);
  CloseHandle(holder);
  EXPECT_EQ(read_file(dir.file("car.fce")), (Bytes{7, 7}));
  EXPECT_EQ(names_in(dir.path()), std::vector<std::wstring>{L"car.fce"});
}

TEST(WriteWholeFileWindows, DevicesAreWrittenInPlace) {
  TempDir dir;
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());  // a NUL file, if one were made, would appear here
  EXPECT_EQ(write_whole_file("NUL", kContent), WriteOutcome::written);
  EXPECT_TRUE(names_in(dir.path()).empty());
  fs::current_path(before);
}

}  // namespace
}  // namespace tromvex

#endif  // _WIN32
