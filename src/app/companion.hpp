// What the drivers share: the failure and usage statuses, reading and writing whole files with
// the failure text each outcome gets, a step's exceptions turned into one failure text, and main.
#pragma once

#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/console.hpp"
#include "app/platform.hpp"
#include "common/bytes.hpp"
#include "common/malformed_file.hpp"

namespace tromvex {

// The exit status after a failure, and after the usage for a wrong command line.
inline constexpr int kFailureStatus = 1;
inline constexpr int kUsageStatus = 2;

// Prints line and a line break to standard error and returns kFailureStatus. Throws only
// std::bad_alloc and what console throws.
int fail(Console& console, std::string_view line);

// Prints usage as it stands to standard error, after a wrong command line, and returns
// kUsageStatus. Throws only what console throws.
int print_usage(Console& console, std::string_view usage);

// Prints "<name>: <problem>", a line break and usage to standard error, after a wrong command
// line, and returns kUsageStatus. Throws only std::bad_alloc and what console throws.
int usage_error(Console& console, std::string_view name, std::string_view problem,
                std::string_view usage);

// The first argument after the program's name that begins with "--", which a companion that
// knows no such option takes as wrong; nothing when there is none. Throws nothing.
std::optional<std::string_view> first_long_option(std::span<const std::string> args);

// Answers a companion's --help and -h (its usage, to standard output) and --version (its name
// and tromvex's version on one line), wherever one of them stands after the program's name;
// returns the status 0 then, and nothing when args hold none of them. name is the program's
// ("tromvex-viv"). Throws only std::bad_alloc and what console throws.
std::optional<int> answer_help_or_version(std::span<const std::string> args, Console& console,
                                          std::string_view name, std::string_view usage);

// Reads the file named path (UTF-8) whole into bytes. Returns nothing when it did, otherwise
// the failure text "Could not open <path>" (bytes untouched). Throws std::bad_alloc only.
std::optional<std::string> load_input(const std::string& path, Bytes& bytes);

// The failure text of an output whose write failed, leaving what stood at path as it was.
// Throws std::bad_alloc only.
std::string disk_full_failure(const std::string& path);

// The failure text of a companion's output that was not written: "Could not write <path>: it
// cannot be created or put in place", or disk_full_failure(path). Throws std::bad_alloc only.
std::string write_failure(const std::string& path, WriteOutcome outcome);

// The failure text "Could not write <output>: it is one of the input files" when output
// reaches the same existing file as one of inputs (through another spelling, a link or, on
// Windows, another case), nothing otherwise. Asked before anything is written: a run never
// replaces a file it reads. Throws std::bad_alloc only.
std::optional<std::string> output_among_inputs(const std::string& output,
                                               std::span<const std::string> inputs);

// The failure text of a file that cannot be opened or read. Throws std::bad_alloc only.
std::string unreadable(const std::string& path);

// The path of name inside folder; an empty folder is the current one. Throws std::bad_alloc
// only.
std::string path_in(const std::string& folder, const std::string& name);

// Writes bytes as the whole file at path (UTF-8) through a temporary file and a rename. Returns
// nothing when it did, otherwise the failure text: "Could not open <path>" when the file cannot
// be created or put in place, disk_full_failure(path) when a write failed. Throws nothing but
// std::bad_alloc.
std::optional<std::string> write_output(const std::string& path,
                                        std::span<const std::uint8_t> bytes);

// Runs work() and returns nothing when it returns; otherwise the failure text of what it threw:
// "Could not read <file_at_fault()>: <why>" for MalformedFile, "Not enough memory to <verb>
// <subject>" for std::bad_alloc, and "Could not <verb> <subject>: <what>" for any other
// std::exception (a fault of ours, not of the files: still a failure, never a crash).
// file_at_fault is asked only after work has thrown, so it may name the file being read then.
// Throws only std::bad_alloc, for the text itself.
template <typename Work, typename FileAtFault>
std::optional<std::string> failure_of(Work&& work, std::string_view verb,
                                      const std::string& subject, FileAtFault&& file_at_fault) {
  const std::string action = std::string(verb) + " " + subject;
  try {
    work();
  } catch (const MalformedFile& error) {
    return "Could not read " + std::string(file_at_fault()) + ": " + error.what();
  } catch (const std::bad_alloc&) {
    return "Not enough memory to " + action;
  } catch (const std::exception& error) {
    return "Could not " + action + ": " + error.what();
  }
  return std::nullopt;
}

// A driver: runs the command line (its program's name first) on a console, returns the status.
using Driver = int (*)(std::span<const std::string> args, Console& console);

// The whole of each program's main: decodes the command line to UTF-8 and runs driver on the
// process's own console. Returns driver's status; throws only std::bad_alloc and
// what driver throws.
int run_on_system_console(int argc, char** argv, Driver driver);

}  // namespace tromvex
