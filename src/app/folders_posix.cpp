// Folders: listing, creating, renaming and removing (POSIX).
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "app/platform.hpp"

namespace tromvex {
namespace {

// New folders get rwx for everyone, less what the umask takes away, like any created folder.
constexpr mode_t kNewFolderMode = 0777;

struct FolderCloser {
  void operator()(DIR* folder) const { closedir(folder); }
};

// What stands at path, without following a link.
EntryKind kind_of(const std::string& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) return EntryKind::other;
  if (S_ISLNK(status.st_mode)) return EntryKind::link;
  if (S_ISDIR(status.st_mode)) return EntryKind::folder;
  if (S_ISREG(status.st_mode)) return EntryKind::file;
  return EntryKind::other;
}

}  // namespace

std::optional<std::vector<FolderEntry>> list_folder(const std::string& path) {
  const std::unique_ptr<DIR, FolderCloser> folder(opendir(path.c_str()));
  if (!folder) return std::nullopt;
  std::vector<FolderEntry> entries;
  const std::string prefix = path.empty() || path.back() == '/' ? path : path + "/";
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(folder.get());
    if (entry == nullptr) {
      if (errno != 0) return std::nullopt;
      return entries;
    }
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // d_type is not filled in by every file system; lstat always tells.
    entries.push_back({name, kind_of(prefix + name)});
  }
}

bool path_exists(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0;
}

bool create_folder(const std::string& path) { return mkdir(path.c_str(), kNewFolderMode) == 0; }

bool rename_file(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool remove_file(const std::string& path) { return unlink(path.c_str()) == 0; }

bool remove_empty_folder(const std::string& path) { return rmdir(path.c_str()) == 0; }

}  // namespace tromvex
