// Whole-file reads and safe whole-file writes (Windows, UTF-8 names).
#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <new>
#include <string>

#include "app/paths_in_progress.hpp"
#include "app/platform.hpp"
#include "app/utf16_windows.hpp"

namespace tromvex {
namespace {

// ReadFile and WriteFile take a 32-bit count; bigger buffers go in pieces of this size.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;
// Reads past the expected length (a device, a pipe, a growing file) take pieces of this size.
constexpr std::size_t kReadChunk = 4096;
// No car file comes anywhere near this; it bounds what one input can make the program allocate.
constexpr std::size_t kMaxInputSize = std::size_t{1} << 30;  // 1 GiB
// Temporary names tried before giving up when others are already taken.
constexpr int kTemporaryNameAttempts = 100;

// Closes a file handle whichever way a function ends; close() reports a failed close.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  bool close() {
    if (!is_open()) return true;
    const bool closed = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

bool write_all(HANDLE file, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const auto piece = static_cast<DWORD>(std::min(bytes.size(), kMaxTransfer));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), piece, &written, nullptr) || written == 0) return false;
    bytes = bytes.subspan(written);
  }
  return true;
}

// Reads into the room already reserved, then in small pieces, until the end: the final read
// that finds the end does not grow the buffer.
bool read_to_end(HANDLE file, Bytes& bytes) {
  for (;;) {
    DWORD read = 0;
    bool ok = false;
    const std::size_t used = bytes.size();
    if (bytes.capacity() > used) {
      bytes.resize(bytes.capacity());
      const auto room = static_cast<DWORD>(std::min(bytes.size() - used, kMaxTransfer));
      ok = ReadFile(file, bytes.data() + used, room, &read, nullptr) != 0;
      bytes.resize(used + read);
    } else {
      std::array<std::uint8_t, kReadChunk> chunk;
      ok = ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr) != 0;
      bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + read);
    }
    if (!ok) return GetLastError() == ERROR_BROKEN_PIPE;  // a pipe's writer has finished
    if (read == 0) return true;
    if (bytes.size() > kMaxInputSize) return false;
  }
}

// A device (NUL, CON, a serial port) cannot be replaced by a file: it is written in place.
bool is_device(const std::wstring& path) {
  FileHandle probe(CreateFileW(path.c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
  return probe.is_open() && GetFileType(probe.get()) != FILE_TYPE_DISK;
}

WriteOutcome write_device(const std::wstring& path, std::span<const std::uint8_t> bytes) {
  FileHandle device(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!device.is_open()) return WriteOutcome::cannot_create;
  if (!write_all(device.get(), bytes)) return WriteOutcome::write_failed;
  return device.close() ? WriteOutcome::written : WriteOutcome::write_failed;
}

// The folder part of path, with its trailing separator ("" for a bare name).
std::wstring folder_of(const std::wstring& path) {
  const auto end = path.find_last_of(L"\\/:");
  return end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1);
}

// The files being written, for the console control handler: room for tromvex-port's 64
// threads, each with a temporary file and the files it stages.
constexpr std::size_t kMaxFilesInProgress = 256;
constexpr std::size_t kMaxPathInProgress = 4096;  // UTF-16 units; longer paths go unmarked
constinit PathsInProgress<wchar_t, kMaxFilesInProgress, kMaxPathInProgress> files_in_progress;

// Runs on a thread of its own for Ctrl+C, Ctrl+Break, the window closing, logoff and shutdown.
// A marked file still open by its writer goes when its last handle closes, as the process ends:
// the writers open them shared for deletion.
BOOL WINAPI remove_files_in_progress(DWORD) {
  files_in_progress.remove_all([](const wchar_t* path) { DeleteFileW(path); });
  return FALSE;  // the next handler, at last the system's, ends the process as it would have
}

// Holds path in the table, the handler installed first; returns the slot.
int hold_in_progress(std::wstring_view path) {
  static const bool installed = SetConsoleCtrlHandler(remove_files_in_progress, TRUE) != 0;
  static_cast<void>(installed);
  return files_in_progress.hold(path);
}

// Holds a path in the table of files in progress while it lives.
class WideMark {
 public:
  explicit WideMark(std::wstring_view path) : slot_(hold_in_progress(path)) {}
  ~WideMark() { files_in_progress.release(slot_); }
  WideMark(const WideMark&) = delete;
  WideMark& operator=(const WideMark&) = delete;

 private:
  int slot_;
};

// A name for a temporary file beside path, new in this process, carrying its id.
std::wstring temporary_name(const std::wstring& path) {
  static std::atomic<unsigned> serial{0};
  return folder_of(path) + L".tromvex-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(serial++) + L".tmp";
}

// Everything is on disk and closed before the rename, so the target is either the old file
// or the whole new one. The temporary file is marked while it has its name.
WriteOutcome write_through_temporary(const std::wstring& path,
                                     std::span<const std::uint8_t> bytes) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    const std::wstring temporary = temporary_name(path);
    const WideMark mark(temporary);
    // Shared for deletion only, so that the control handler can remove it while it is open.
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.is_open()) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return WriteOutcome::cannot_create;
    }
    const bool complete = !files_in_progress.interrupted() && write_all(file.get(), bytes) &&
                          FlushFileBuffers(file.get()) != 0;
    const bool closed = file.close();
    if (!complete || !closed) {
      DeleteFileW(temporary.c_str());
      return WriteOutcome::write_failed;
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      DeleteFileW(temporary.c_str());
      return WriteOutcome::cannot_create;
    }
    return WriteOutcome::written;
  }
  return WriteOutcome::cannot_create;
}

}  // namespace

// The Windows heap already keeps freed blocks for reuse.
void reuse_freed_memory() {}
void return_freed_memory() {}

// Reads to the end rather than trusting the size alone: a device or pipe has none, and a file
// may change while it is read.
std::optional<Bytes> load_whole_file(const std::string& path) {
  const auto wide = to_wide(path);
  if (!wide) return std::nullopt;
  FileHandle file(CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.is_open()) return std::nullopt;
  Bytes bytes;
  LARGE_INTEGER size{};
  if (GetFileType(file.get()) == FILE_TYPE_DISK && GetFileSizeEx(file.get(), &size)) {
    if (static_cast<unsigned long long>(size.QuadPart) > kMaxInputSize) return std::nullopt;
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  try {
    if (!read_to_end(file.get(), bytes)) return std::nullopt;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  return bytes;
}

bool is_folder(const std::string& path) {
  const auto wide = to_wide(path);
  if (!wide || wide->empty()) return false;
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<FileIdentity> file_identity(const std::string& path) {
  const auto wide = to_wide(path);
  if (!wide || wide->empty()) return std::nullopt;
  // No access asked: only the file's information is read. Backup semantics open folders too.
  FileHandle file(CreateFileW(wide->c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION information{};
  if (!file.is_open() || !GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
  return FileIdentity{
      information.dwVolumeSerialNumber,
      (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

FileInProgress::FileInProgress(const std::string& path)
    : slot_(decltype(files_in_progress)::kNoSlot) {
  if (const auto wide = to_wide(path)) slot_ = hold_in_progress(*wide);
}

FileInProgress::~FileInProgress() { files_in_progress.release(slot_); }

bool FileInProgress::interrupted() { return files_in_progress.interrupted(); }

// Windows has no unnamed files; every temporary file is marked instead.
void allow_unnamed_temporary_files(bool) {}

WriteOutcome write_whole_file(const std::string& path, std::span<const std::uint8_t> bytes) {
  const auto wide = to_wide(path);
  if (!wide || wide->empty()) return WriteOutcome::cannot_create;
  if (is_device(*wide)) return write_device(*wide, bytes);
  // A folder cannot be replaced, and a read-only file is not ours to replace.
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    return WriteOutcome::cannot_create;
  }
  return write_through_temporary(*wide, bytes);
}

}  // namespace tromvex
