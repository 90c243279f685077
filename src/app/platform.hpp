// What the driver needs of the operating system: the command line (args_*.cpp), the console
// (console_*.cpp), files (files_*.cpp) and folders (folders_*.cpp), each in one file per
// platform.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"

namespace tromvex {

// Reads one key press from the console device, not from standard input, with line input and
// echo off for the read and the previous mode restored after it; echoes the key. Returns its
// character code, 0 for an extended key (arrow, function key), and 0 at once with no console.
// Standard output is flushed first. Throws nothing.
int wait_for_key();

// Whether standard output is a terminal (a console window), where a progress count can be
// redrawn in place. Throws nothing.
bool standard_output_is_terminal();

// Whether the process is alone on its console window, which then closes when it ends: a
// program started by a double-click or by dropping files on it, not from a prompt (Windows).
// Always false on POSIX systems, where a terminal outlives its programs. Throws nothing.
bool owns_console_window();

enum class ConsoleStream { output, error };

// Writes UTF-8 text to standard output or standard error as it stands; on a Windows console as
// Unicode, so that names beyond ASCII show as typed. Standard output is flushed before anything
// goes to standard error, so that the lines keep their order where both reach one terminal or
// file. Throws std::bad_alloc only (Windows: the UTF-16 copy).
void write_console_text(std::string_view text, ConsoleStream stream);

// The command line as UTF-8 strings, the program's own name first. Throws std::bad_alloc only.
std::vector<std::string> command_line_arguments(int argc, char** argv);

// Lets the allocator hand memory a run has freed to its later buffers instead of mapping fresh
// pages for every large one (each fresh page costs a fault). Called once, before any allocation
// that matters; does nothing where the allocator already works that way.
void reuse_freed_memory();

// Gives the memory freed so far back to the system, where reuse_freed_memory made the allocator
// keep it.
void return_freed_memory();

// The whole file named by path (UTF-8) in one new buffer, or nothing when it cannot be opened
// or read, or when there is not memory enough for it. Throws std::bad_alloc only (for the
// file name's conversion, never for the content).
std::optional<Bytes> load_whole_file(const std::string& path);

// Whether path (UTF-8) names an existing folder. Throws std::bad_alloc only.
bool is_folder(const std::string& path);

// What tells one file from every other on the system while it exists: its device and inode
// (POSIX), its volume serial number and file index (Windows).
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file that path (UTF-8) reaches, through any links; nothing when nothing
// is there or it cannot be reached. Two paths reach one file, whatever their spelling, links
// or (on Windows) case, exactly when both have an identity and the identities are equal.
// Throws std::bad_alloc only.
std::optional<FileIdentity> file_identity(const std::string& path);

enum class WriteOutcome {
  written,        // the file now holds exactly the bytes
  cannot_create,  // the file (or its temporary beside it) could not be created or put in place
  write_failed,   // a write, flush or close failed; whatever stood at path is unchanged
};

// Writes bytes as the whole content of the file at path (UTF-8). A regular file is written
// to a temporary file in the same folder, which replaces the target only once it has been
// written and closed in full, so a failure never leaves a half-written file where a good one
// stood. On Linux the temporary file is made without a name (O_TMPFILE) where the file system
// allows, and named only when complete, so that even a killed run leaves nothing; elsewhere
// it is named ".tromvex-<process>-<n>.tmp" and marked as a FileInProgress while it exists.
// Devices (such as /dev/null) are written in place. Throws std::bad_alloc only (for the names
// of the file and its temporary).
WriteOutcome write_whole_file(const std::string& path, std::span<const std::uint8_t> bytes);

// Whether write_whole_file may make its temporary file without a name (Linux, O_TMPFILE)
// where the file system allows it: yes unless turned off. The tests turn it off to try the
// named way, which file systems without O_TMPFILE take. Does nothing on other systems. Call
// it while no write is in progress; throws nothing.
void allow_unnamed_temporary_files(bool allowed);

// Marks the file at path (UTF-8) as being written for as long as the mark lives: when the
// process is interrupted meanwhile (Ctrl+C; on POSIX SIGINT, SIGTERM or SIGHUP; on Windows any
// console control event, the window closing among them), the file is removed, and then the
// interruption ends the process as it would have. write_whole_file marks its temporary files;
// tromvex-port marks the files it stages. The first mark installs the handlers, leaving a
// signal that is ignored ignored. The file may be created after the mark, which must then
// check interrupted(). A few hundred marks may live at once; past that, or for a path too long
// to keep, a file goes unmarked. Throws std::bad_alloc only (Windows: the UTF-16 copy of path).
class FileInProgress {
 public:
  explicit FileInProgress(const std::string& path);
  ~FileInProgress();
  FileInProgress(const FileInProgress&) = delete;
  FileInProgress& operator=(const FileInProgress&) = delete;

  // Whether an interruption has begun removing the marked files: one created after its mark
  // must then be removed by its writer, as the handler may have looked before it existed.
  // Throws nothing.
  static bool interrupted();

 private:
  int slot_;
};

// What a folder entry is, as the folder lists it. A symbolic link (on Windows, any reparse
// point: a junction, a mount point) is a link, whatever it points at.
enum class EntryKind { file, folder, link, other };

struct FolderEntry {
  std::string name;  // UTF-8
  EntryKind kind = EntryKind::other;
};

// The entries of the folder at path (UTF-8), without "." and "..", in no particular order;
// nothing when it cannot be listed. Throws std::bad_alloc only.
std::optional<std::vector<FolderEntry>> list_folder(const std::string& path);

// Whether anything stands at path (UTF-8): a file, a folder, a link, even one that points
// nowhere. Throws std::bad_alloc only.
bool path_exists(const std::string& path);

// Creates the folder at path (UTF-8) in its existing parent; false when it cannot, or when
// anything stands there already. Throws std::bad_alloc only.
bool create_folder(const std::string& path);

// Renames the file at from to to, in the same folder, replacing a file that stands at to;
// false when it cannot. Throws std::bad_alloc only.
bool rename_file(const std::string& from, const std::string& to);

// Removes the file at path, or the folder at path when it is empty; false when it cannot.
// Throw std::bad_alloc only.
bool remove_file(const std::string& path);
bool remove_empty_folder(const std::string& path);

}  // namespace tromvex
