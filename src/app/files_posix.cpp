// Whole-file reads and safe whole-file writes (POSIX).
#include <fcntl.h>
#include <limits.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "app/platform.hpp"

namespace tromvex {
namespace {

// No car file comes anywhere near this; it bounds what one input can make the program allocate.
constexpr off_t kMaxInputSize = off_t{1} << 30;  // 1 GiB
// The permissions a replacement keeps; set-user-ID and set-group-ID are not carried over to
// new content, as a write in place would clear them too.
constexpr mode_t kPermissionBits = 0777;
// New files get rw for everyone, less what the umask takes away, like any created file.
constexpr mode_t kNewFileMode = 0666;
// As many links as the system follows in one path before it gives up (SYMLOOP_MAX).
constexpr int kMaxLinkHops = 40;
constexpr int kMaxTemporaryAttempts = 100;
#if defined(__GLIBC__)
// The largest block the heap serves; larger ones (no car comes near) get pages of their own.
constexpr int kHeapBlockLimit = 32 << 20;  // 32 MiB, the most glibc takes on 64-bit systems
#endif

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The folder part of path, with its trailing slash ("" for a bare name).
std::string folder_of(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows path through any symbolic links, also to a target that does not exist yet, so that
// the file the link names is replaced and the link stays. Nothing when a link cannot be read
// or the chain does not end.
std::optional<std::string> follow_links(std::string path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
      if (errno == ENOENT) return path;
      return std::nullopt;
    }
    if (!S_ISLNK(status.st_mode)) return path;
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return std::nullopt;
    const std::string link_text(target, static_cast<std::size_t>(length));
    path = link_text.front() == '/' ? link_text : folder_of(path) + link_text;
  }
  return std::nullopt;
}

// Writes all bytes, going on after partial writes and interruptions.
bool write_all(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t count = write(fd, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;  // a device that takes nothing would otherwise hold us here
    bytes = bytes.subspan(static_cast<std::size_t>(count));
  }
  return true;
}

int create_exclusive(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Creates a new, empty temporary file in folder; returns its descriptor (or -1) and its name.
int create_temporary(const std::string& folder, std::string& name) {
  for (int attempt = 0; attempt < kMaxTemporaryAttempts; ++attempt) {
    name = folder + ".tromvex-" + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
    const int fd = create_exclusive(name);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Devices and pipes cannot be replaced; they are written as they stand.
WriteOutcome write_in_place(const std::string& path, std::span<const std::uint8_t> bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return WriteOutcome::cannot_create;
  const bool written = write_all(fd, bytes);
  const bool closed = close(fd) == 0;
  return written && closed ? WriteOutcome::written : WriteOutcome::write_failed;
}

// Writes a complete temporary file beside target and only then renames it over target, so
// that target holds either its old content or all of the new one. keep_mode is the mode of
// the file being replaced, if any.
WriteOutcome replace_file(const std::string& target, std::optional<mode_t> keep_mode,
                          std::span<const std::uint8_t> bytes) {
  std::string temporary;
  const int fd = create_temporary(folder_of(target), temporary);
  if (fd < 0) return WriteOutcome::cannot_create;

  bool written = (!keep_mode || fchmod(fd, *keep_mode) == 0) && write_all(fd, bytes);
  written = written && fsync(fd) == 0;  // the data is on disk before the name points at it
  written = close(fd) == 0 && written;
  if (!written) {
    unlink(temporary.c_str());
    return WriteOutcome::write_failed;
  }
  if (rename(temporary.c_str(), target.c_str()) != 0) {
    unlink(temporary.c_str());
    return WriteOutcome::cannot_create;
  }
  return WriteOutcome::written;
}

}  // namespace

void reuse_freed_memory() {
#if defined(__GLIBC__)
  // glibc maps each block of 128 KiB or more on its own and unmaps it when freed, and gives the
  // top of the heap back past 128 KiB free: every image of a run would be fresh pages. A run
  // holds a few MiB at most, so its blocks all come from the heap, which keeps what is freed.
  mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
  mallopt(M_TRIM_THRESHOLD, kHeapBlockLimit);
#endif
}

void return_freed_memory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

std::optional<Bytes> load_whole_file(const std::string& path) {
  // A folder would open here but holds no bytes; a pipe cannot be measured by seeking, and
  // opening one that nobody writes to would wait for ever.
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode) || S_ISFIFO(status.st_mode) ||
      S_ISSOCK(status.st_mode)) {
    return std::nullopt;
  }
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;

  if (fseeko(file.get(), 0, SEEK_END) != 0) return std::nullopt;
  const off_t length = ftello(file.get());
  if (length < 0 || length > kMaxInputSize) return std::nullopt;
  if (fseeko(file.get(), 0, SEEK_SET) != 0) return std::nullopt;

  const auto size = static_cast<std::size_t>(length);
  Bytes bytes;
  try {
    bytes.resize(size);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  // A file that shrank since its length was taken, or a read error, gives a short read.
  if (size > 0 && std::fread(bytes.data(), 1, size, file.get()) != size) return std::nullopt;
  return bytes;
}

bool is_folder(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::optional<FileIdentity> file_identity(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                      static_cast<std::uint64_t>(status.st_ino)};
}

WriteOutcome write_whole_file(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::optional<mode_t> keep_mode;  // the mode of the file being replaced, if there is one
  struct stat status {};
  if (stat(path.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) return WriteOutcome::cannot_create;
    if (!S_ISREG(status.st_mode)) return write_in_place(path, bytes);
    // A file we may not write stays as it is, although the folder would let us replace it.
    if (access(path.c_str(), W_OK) != 0) return WriteOutcome::cannot_create;
    keep_mode = status.st_mode & kPermissionBits;
  } else if (errno != ENOENT) {
    return WriteOutcome::cannot_create;
  }
  const std::optional<std::string> target = follow_links(path);
  if (!target) return WriteOutcome::cannot_create;
  return replace_file(*target, keep_mode, bytes);
}

}  // namespace tromvex
