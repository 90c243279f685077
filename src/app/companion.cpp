// What the drivers share: statuses, whole-file input and output with their failure texts, main.
#include "app/companion.hpp"

#include <vector>

#include "app/platform.hpp"
#include "common/version.hpp"

namespace tromvex {

int fail(Console& console, std::string_view line) {
  console.print_error(std::string(line) + "\n");
  return kFailureStatus;
}

int print_usage(Console& console, std::string_view usage) {
  console.print_error(usage);
  return kUsageStatus;
}

int usage_error(Console& console, std::string_view name, std::string_view problem,
                std::string_view usage) {
  return print_usage(console,
                     std::string(name) + ": " + std::string(problem) + "\n" + std::string(usage));
}

std::optional<std::string_view> first_long_option(std::span<const std::string> args) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i].starts_with("--")) return args[i];
  }
  return std::nullopt;
}

std::optional<int> answer_help_or_version(std::span<const std::string> args, Console& console,
                                          std::string_view name, std::string_view usage) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      console.print(usage);
      return 0;
    }
    if (args[i] == "--version") {
      console.print(std::string(name) + " " + kVersion + "\n");
      return 0;
    }
  }
  return std::nullopt;
}

std::optional<std::string> load_input(const std::string& path, Bytes& bytes) {
  std::optional<Bytes> loaded = load_whole_file(path);
  if (!loaded) return "Could not open " + path;
  bytes = std::move(*loaded);
  return std::nullopt;
}

std::string disk_full_failure(const std::string& path) {
  return "Could not write " + path + " (is the disk full?); it was left as it was";
}

std::string write_failure(const std::string& path, WriteOutcome outcome) {
  if (outcome == WriteOutcome::write_failed) return disk_full_failure(path);
  return "Could not write " + path + ": it cannot be created or put in place";
}

std::optional<std::string> output_among_inputs(const std::string& output,
                                               std::span<const std::string> inputs) {
  const std::optional<FileIdentity> written = file_identity(output);
  if (!written) return std::nullopt;  // a new file cannot be an input
  for (const std::string& input : inputs) {
    if (file_identity(input) == written)
      return "Could not write " + output + ": it is one of the input files";
  }
  return std::nullopt;
}

std::string unreadable(const std::string& path) {
  return "Could not read " + path + ": the file cannot be opened or read";
}

std::string path_in(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return last == '/' || last == '\\' || last == ':' ? folder + name : folder + "/" + name;
}

std::optional<std::string> write_output(const std::string& path,
                                        std::span<const std::uint8_t> bytes) {
  switch (write_whole_file(path, bytes)) {
    case WriteOutcome::written:
      return std::nullopt;
    case WriteOutcome::cannot_create:
      return "Could not open " + path;
    case WriteOutcome::write_failed:
      break;
  }
  return disk_full_failure(path);
}

int run_on_system_console(int argc, char** argv, Driver driver) {
  const std::vector<std::string> args = command_line_arguments(argc, argv);
  SystemConsole console;
  return driver(args, console);
}

}  // namespace tromvex
