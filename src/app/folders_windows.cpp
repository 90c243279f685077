// Folders: listing, creating, renaming and removing (Windows, UTF-8 names).
#include <windows.h>

#include <cstddef>
#include <string>

#include "app/platform.hpp"
#include "app/utf16_windows.hpp"

namespace tromvex {
namespace {

// Closes a search handle whichever way the listing ends.
class SearchHandle {
 public:
  explicit SearchHandle(HANDLE handle) : handle_(handle) {}
  ~SearchHandle() {
    if (is_open()) FindClose(handle_);
  }
  SearchHandle(const SearchHandle&) = delete;
  SearchHandle& operator=(const SearchHandle&) = delete;

  bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

EntryKind kind_of(DWORD attributes) {
  // A junction or a symbolic link to a folder is also marked a folder: the reparse mark decides.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return EntryKind::link;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::folder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::other;
  return EntryKind::file;
}

}  // namespace

std::optional<std::vector<FolderEntry>> list_folder(const std::string& path) {
  const auto wide = to_wide(path);
  if (!wide || wide->empty()) return std::nullopt;
  const wchar_t last = wide->back();
  const std::wstring pattern =
      *wide + (last == L'\\' || last == L'/' || last == L':' ? L"*" : L"\\*");
  WIN32_FIND_DATAW found{};
  SearchHandle search(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!search.is_open()) return std::nullopt;
  std::vector<FolderEntry> entries;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({to_utf8(found.cFileName), kind_of(found.dwFileAttributes)});
  } while (FindNextFileW(search.get(), &found));
  if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
  return entries;
}

bool path_exists(const std::string& path) {
  const auto wide = to_wide(path);
  return wide && !wide->empty() && GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool create_folder(const std::string& path) {
  const auto wide = to_wide(path);
  return wide && !wide->empty() && CreateDirectoryW(wide->c_str(), nullptr);
}

bool rename_file(const std::string& from, const std::string& to) {
  const auto wide_from = to_wide(from);
  const auto wide_to = to_wide(to);
  return wide_from && wide_to &&
         MoveFileExW(wide_from->c_str(), wide_to->c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool remove_file(const std::string& path) {
  const auto wide = to_wide(path);
  return wide && DeleteFileW(wide->c_str());
}

bool remove_empty_folder(const std::string& path) {
  const auto wide = to_wide(path);
  return wide && RemoveDirectoryW(wide->c_str());
}

}  // namespace tromvex
