// Whole-file reads and safe whole-file writes (POSIX).
#include <fcntl.h>
#include <limits.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <new>
#include <string>

#include "app/paths_in_progress.hpp"
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

// Owns a descriptor opened for reading and closes it.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }

 private:
  int fd_;
};

// open(), tried again when a signal interrupts it.
int open_retrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// The length of the open file: its size for a regular file, else how far a seek to its end
// goes (a device). Nothing when it cannot be told.
std::optional<off_t> input_length(int fd) {
  struct stat status {};
  if (fstat(fd, &status) != 0) return std::nullopt;
  if (S_ISREG(status.st_mode)) return status.st_size;
  const off_t end = lseek(fd, 0, SEEK_END);
  if (end < 0 || lseek(fd, 0, SEEK_SET) != 0) return std::nullopt;
  return end;
}

// Fills bytes from fd, going on after partial reads and interruptions; false when the file
// ends first or a read fails.
bool read_all(int fd, std::span<std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t count = read(fd, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(count));
  }
  return true;
}

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

// The files being written, for the handler of an interruption: room for tromvex-port's 64
// threads, each with a temporary file and the files it stages.
constexpr std::size_t kMaxFilesInProgress = 256;
constinit PathsInProgress<char, kMaxFilesInProgress, PATH_MAX> files_in_progress;

// The signals that end a run early, and the actions they had before ours (written before our
// handler is installed, read in it).
constexpr std::array<int, 3> kInterruptions{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kInterruptions.size()> previous_actions{};

std::atomic<bool> unnamed_temporaries_allowed{true};
std::atomic<unsigned> temporary_serial{0};

// Only async-signal-safe calls: unlink, sigaction, raise.
void remove_files_in_progress(int signal_number) {
  const int saved_errno = errno;
  files_in_progress.remove_all([](const char* path) { unlink(path); });
  // The signal again, under the action it had before: the process ends as it would have.
  for (std::size_t i = 0; i < kInterruptions.size(); ++i) {
    if (kInterruptions[i] == signal_number) sigaction(signal_number, &previous_actions[i], nullptr);
  }
  raise(signal_number);  // delivered when this handler returns
  errno = saved_errno;
}

void install_interruption_handlers() {
  static const bool installed = [] {
    struct sigaction ours {};
    ours.sa_handler = remove_files_in_progress;
    sigemptyset(&ours.sa_mask);
    for (const int signal_number : kInterruptions) sigaddset(&ours.sa_mask, signal_number);
    ours.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kInterruptions.size(); ++i) {
      if (sigaction(kInterruptions[i], nullptr, &previous_actions[i]) != 0) continue;
      // A signal the process was started to ignore (nohup, a background job) stays ignored.
      const struct sigaction& previous = previous_actions[i];
      if ((previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler == SIG_IGN) continue;
      sigaction(kInterruptions[i], &ours, nullptr);
    }
    return true;
  }();
  static_cast<void>(installed);
}

// A name for a temporary file in folder, new in this process, carrying its id.
std::string temporary_name(const std::string& folder) {
  return folder + ".tromvex-" + std::to_string(getpid()) + "-" +
         std::to_string(temporary_serial++) + ".tmp";
}

// Devices and pipes cannot be replaced; they are written as they stand.
WriteOutcome write_in_place(const std::string& path, std::span<const std::uint8_t> bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return WriteOutcome::cannot_create;
  const bool written = write_all(fd, bytes);
  const bool closed = close(fd) == 0;
  return written && closed ? WriteOutcome::written : WriteOutcome::write_failed;
}

// Gives a new file its mode (keep_mode, of the file it replaces, if any) and bytes, and puts
// the data on disk before any name points at it.
bool write_contents(int fd, std::optional<mode_t> keep_mode, std::span<const std::uint8_t> bytes) {
  return (!keep_mode || fchmod(fd, *keep_mode) == 0) && write_all(fd, bytes) && fsync(fd) == 0;
}

// Renames the complete file at temporary over target; the temporary goes when it cannot.
WriteOutcome rename_over(const std::string& temporary, const std::string& target) {
  if (rename(temporary.c_str(), target.c_str()) != 0) {
    unlink(temporary.c_str());
    return WriteOutcome::cannot_create;
  }
  return WriteOutcome::written;
}

// A complete temporary file beside target, marked while it has its name, then renamed over
// target, so that target holds either its old content or all of the new one.
WriteOutcome replace_through_named_file(const std::string& target, std::optional<mode_t> keep_mode,
                                        std::span<const std::uint8_t> bytes) {
  const std::string folder = folder_of(target);
  for (int attempt = 0; attempt < kMaxTemporaryAttempts; ++attempt) {
    const std::string temporary = temporary_name(folder);
    const FileInProgress mark(temporary);
    const int fd =
        open_retrying(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (fd < 0 && errno == EEXIST) continue;  // left by an earlier process of our id
    if (fd < 0) return WriteOutcome::cannot_create;
    bool written = !FileInProgress::interrupted() && write_contents(fd, keep_mode, bytes);
    written = close(fd) == 0 && written;
    if (!written) {
      unlink(temporary.c_str());
      return WriteOutcome::write_failed;
    }
    return rename_over(temporary, target);
  }
  return WriteOutcome::cannot_create;
}

#if defined(O_TMPFILE)
// The same with a file that has no name until it is complete (Linux), so that a process killed
// before leaves nothing: only then is it linked under a temporary name, marked, and renamed
// over target. Nothing when the folder's file system cannot make such a file or it cannot be
// named through /proc; the named way is taken then.
std::optional<WriteOutcome> replace_through_unnamed_file(const std::string& target,
                                                         std::optional<mode_t> keep_mode,
                                                         std::span<const std::uint8_t> bytes) {
  const std::string folder = folder_of(target);
  const int fd = open_retrying(folder.empty() ? "." : folder.c_str(),
                               O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
  if (fd < 0) return std::nullopt;
  if (!write_contents(fd, keep_mode, bytes)) {
    close(fd);  // the file goes with its only descriptor
    return WriteOutcome::write_failed;
  }
  const std::string unnamed = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < kMaxTemporaryAttempts; ++attempt) {
    const std::string temporary = temporary_name(folder);
    const FileInProgress mark(temporary);
    if (linkat(AT_FDCWD, unnamed.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      if (errno == EEXIST) continue;
      close(fd);
      return std::nullopt;
    }
    const bool closed = close(fd) == 0;
    if (!closed || FileInProgress::interrupted()) {
      unlink(temporary.c_str());
      return closed ? WriteOutcome::cannot_create : WriteOutcome::write_failed;
    }
    return rename_over(temporary, target);
  }
  close(fd);
  return WriteOutcome::cannot_create;
}
#endif

WriteOutcome replace_file(const std::string& target, std::optional<mode_t> keep_mode,
                          std::span<const std::uint8_t> bytes) {
#if defined(O_TMPFILE)
  if (unnamed_temporaries_allowed.load()) {
    if (auto outcome = replace_through_unnamed_file(target, keep_mode, bytes)) return *outcome;
  }
#endif
  return replace_through_named_file(target, keep_mode, bytes);
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
  // Read straight into the buffer with plain descriptors: a whole file needs no stream buffer.
  const FileDescriptor file(open_retrying(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) return std::nullopt;
  const std::optional<off_t> length = input_length(file.fd());
  if (!length || *length > kMaxInputSize) return std::nullopt;

  const auto size = static_cast<std::size_t>(*length);
  Bytes bytes;
  try {
    bytes.resize(size);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  // A file that shrank since its length was taken, or a read error, gives a short read.
  if (!read_all(file.fd(), bytes)) return std::nullopt;
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

FileInProgress::FileInProgress(const std::string& path) {
  install_interruption_handlers();
  slot_ = files_in_progress.hold(path);
}

FileInProgress::~FileInProgress() { files_in_progress.release(slot_); }

bool FileInProgress::interrupted() { return files_in_progress.interrupted(); }

void allow_unnamed_temporary_files(bool allowed) { unnamed_temporaries_allowed.store(allowed); }

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
