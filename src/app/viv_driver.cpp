// The tromvex-viv driver: parses the command line, loads the archive, and lists, extracts or
// puts members, writing every file through a temporary file and a rename.
#include "app/viv_driver.hpp"

#include <algorithm>
#include <charconv>
#include <exception>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/companion.hpp"
#include "app/platform.hpp"
#include "common/malformed_file.hpp"
#include "common/records.hpp"
#include "viv/viv.hpp"

namespace tromvex {
namespace {

constexpr std::string_view kName = "tromvex-viv";
constexpr std::string_view kUsage =
    "Usage: tromvex-viv list ARCHIVE\n"
    "       tromvex-viv extract ARCHIVE [MEMBER...] [-C DIR]\n"
    "       tromvex-viv put ARCHIVE FILE... [--as NAME]\n";

// A member as a message shows it: its index and its name with unprintable bytes escaped.
std::string member_label(std::size_t index, std::string_view name) {
  return "member " + std::to_string(index) + " ('" + printable_name(name) + "')";
}

// An archive image and its directory, whose members are views into the image.
struct LoadedArchive {
  Bytes image;
  std::vector<VivMember> members;
};

// Loads and reads the archive, or prints why it cannot and gives nothing.
std::optional<LoadedArchive> load_archive(const std::string& path, Console& console) {
  std::optional<Bytes> image = load_whole_file(path);
  if (!image) {
    fail(console, unreadable(path));
    return std::nullopt;
  }
  LoadedArchive archive{std::move(*image), {}};
  try {
    archive.members = read_viv_directory(archive.image);
  } catch (const MalformedFile& error) {
    fail(console, "Could not read " + path + ": " + std::string(error.what()));
    return std::nullopt;
  }
  return archive;
}

int list(const std::string& path, Console& console) {
  const auto archive = load_archive(path, console);
  if (!archive) return kFailureStatus;
  const std::vector<VivMember>& members = archive->members;
  std::size_t name_width = 0;
  for (const VivMember& member : members)
    name_width = std::max(name_width, printable_name(member.name).size());
  const std::size_t index_width = std::to_string(members.empty() ? 0 : members.size() - 1).size();
  for (std::size_t i = 0; i < members.size(); ++i) {
    const std::string index = std::to_string(i);
    const std::string name = printable_name(members[i].name);
    console.print(std::string(index_width - index.size(), ' ') + index + "  " + name +
                  std::string(name_width - name.size(), ' ') + "  " +
                  std::to_string(members[i].bytes.size()) + " bytes at " +
                  std::to_string(members[i].offset) + "\n");
  }
  return 0;
}

// The index that "#N" names, or nothing for any other text.
std::optional<std::size_t> index_selector(std::string_view text) {
  if (text.size() < 2 || text.front() != '#') return std::nullopt;
  std::size_t index = 0;
  const auto [end, error] = std::from_chars(text.data() + 1, text.data() + text.size(), index);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return index;
}

// The members that selectors name, in their order; with no selectors, every member whose name
// no earlier member has (the others are named in a warning). Prints why a selector names no
// member and then gives nothing.
std::optional<std::vector<std::size_t>> select_members(const std::string& path,
                                                       const std::vector<VivMember>& members,
                                                       const std::vector<std::string>& selectors,
                                                       Console& console) {
  std::vector<std::size_t> chosen;
  if (selectors.empty()) {
    // One pass with a table of the names seen, so that an archive of many members takes time
    // in proportion to them.
    std::unordered_map<std::string, std::size_t> first_of_name;
    for (std::size_t i = 0; i < members.size(); ++i) {
      const auto [seen, is_first] =
          first_of_name.try_emplace(folded_member_name(members[i].name), i);
      const std::size_t first = seen->second;
      if (is_first) {
        chosen.push_back(i);
      } else {
        console.print("Warning: " + member_label(i, members[i].name) + " has the name of member " +
                      std::to_string(first) + " and was not extracted; #" + std::to_string(i) +
                      " extracts it alone\n");
      }
    }
    return chosen;
  }
  bool all_found = true;
  for (const std::string& selector : selectors) {
    std::optional<std::size_t> index = index_selector(selector);
    if (index && *index >= members.size()) {
      console.print_error("No member " + selector + " in " + path + ": it holds " +
                          std::to_string(members.size()) + " members\n");
      index.reset();
    } else if (!index) {
      index = find_viv_member(members, selector);
      if (!index) console.print_error("No member named " + selector + " in " + path + "\n");
    }
    if (index) chosen.push_back(*index);
    all_found = all_found && index.has_value();
  }
  if (!all_found) return std::nullopt;
  return chosen;
}

int extract(const std::string& path, const std::vector<std::string>& selectors,
            const std::optional<std::string>& folder, Console& console) {
  const auto archive = load_archive(path, console);
  if (!archive) return kFailureStatus;
  if (folder && !is_folder(*folder)) {
    return fail(console, "Could not extract into " + *folder + ": there is no folder of that name");
  }
  const auto chosen = select_members(path, archive->members, selectors, console);
  if (!chosen) return kFailureStatus;
  int status = 0;
  for (const std::size_t index : *chosen) {
    const VivMember& member = archive->members[index];
    // The one check that keeps every file inside the folder: a name is a file name only.
    if (!is_safe_member_name(member.name)) {
      status = fail(console, "Refused " + member_label(index, member.name) +
                                 ": its name is not a plain file name");
      continue;
    }
    const std::string target = path_in(folder.value_or(""), member.name);
    // A member of the archive's own name, extracted beside it, would replace it.
    if (auto failure = output_among_inputs(target, std::span(&path, 1))) {
      status = fail(console, *failure);
      continue;
    }
    const WriteOutcome outcome = write_whole_file(target, member.bytes);
    if (outcome != WriteOutcome::written) {
      status = fail(console, write_failure(target, outcome));
      continue;
    }
    console.print("Extracted " + target + " (" + std::to_string(member.bytes.size()) + " bytes)\n");
  }
  return status;
}

// The file-name part of a path, after its last folder separator.
std::string base_name(const std::string& path) {
  const auto separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// The part of a name after its last dot, or nothing for a name without one.
std::optional<std::string_view> extension_of(std::string_view name) {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  return name.substr(dot + 1);
}

// The first of members whose extension is added's, without regard to case: a member the game
// may read in place of added (NFS3 reads car.fce, not mycar.fce).
std::optional<std::size_t> member_of_extension(std::span<const VivMember> members,
                                               std::string_view added) {
  const auto extension = extension_of(added);
  if (!extension) return std::nullopt;
  for (std::size_t i = 0; i < members.size(); ++i) {
    const auto other = extension_of(members[i].name);
    if (other && same_member_name(*other, *extension)) return i;
  }
  return std::nullopt;
}

int put(const std::string& path, const std::vector<std::string>& files,
        const std::optional<std::string>& as_name, Console& console) {
  auto archive = load_archive(path, console);
  if (!archive) return kFailureStatus;
  try {
    check_viv_rebuild(archive->members, archive->image.size());
  } catch (const MalformedFile& error) {
    return fail(console, "Could not update " + path + ": " + error.what());
  }
  std::vector<Bytes> contents;  // owns the bytes the new members view
  contents.reserve(files.size());
  std::vector<std::string> lines;
  const std::size_t members_before = archive->members.size();
  for (const std::string& file : files) {
    const std::string name = as_name.value_or(base_name(file));
    if (!is_safe_member_name(name)) {
      return fail(console, "Refused the name '" + printable_name(name) + "' for " + file +
                               ": a member name must be a plain file name");
    }
    std::optional<Bytes> bytes = load_whole_file(file);
    if (!bytes) return fail(console, unreadable(file));
    contents.push_back(std::move(*bytes));
    const std::string size = " (" + std::to_string(contents.back().size()) + " bytes)\n";
    const auto replaced = find_viv_member(archive->members, name);
    put_viv_member(archive->members, VivMember{name, 0, contents.back()});
    if (replaced) {
      lines.push_back("Replaced " + member_label(*replaced, archive->members[*replaced].name) +
                      " with " + file + size);
      continue;
    }
    lines.push_back("Added " + member_label(archive->members.size() - 1, name) + " from " + file +
                    size);
    const std::span<const VivMember> before = std::span(archive->members).first(members_before);
    if (const auto kept = member_of_extension(before, name)) {
      const std::string kept_name = printable_name(before[*kept].name);
      lines.push_back("Note: " + path + " also holds '" + kept_name +
                      "'; NFS3 reads that one. Use --as " + kept_name + " to replace it.\n");
    }
  }
  Bytes image;
  try {
    image = build_viv_archive(archive->members);
  } catch (const std::length_error& error) {
    return fail(console, "Could not write " + path + ": " + error.what());
  }
  const WriteOutcome outcome = write_whole_file(path, image);
  if (outcome != WriteOutcome::written) return fail(console, write_failure(path, outcome));
  for (const std::string& line : lines) console.print(line);
  console.print("Wrote " + path + " (" + std::to_string(archive->members.size()) + " members, " +
                std::to_string(image.size()) + " bytes)\n");
  return 0;
}

// The command line taken apart: the arguments that are not options, and the option values.
struct Arguments {
  std::vector<std::string> operands;
  std::optional<std::string> folder;   // -C DIR
  std::optional<std::string> as_name;  // --as NAME
  std::string unknown_option;          // the first option tromvex-viv does not know
};

// Nothing when an option lacks its value or is given twice.
std::optional<Arguments> parse_arguments(std::span<const std::string> args) {
  Arguments parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::optional<std::string>* option = args[i] == "-C"     ? &parsed.folder
                                         : args[i] == "--as" ? &parsed.as_name
                                                             : nullptr;
    if (option == nullptr) {
      if (args[i].starts_with("--") && parsed.unknown_option.empty())
        parsed.unknown_option = args[i];
      parsed.operands.push_back(args[i]);
      continue;
    }
    if (option->has_value() || i + 1 == args.size()) return std::nullopt;
    *option = args[++i];
  }
  return parsed;
}

int run_command(std::span<const std::string> args, Console& console) {
  if (auto status = answer_help_or_version(args, console, kName, kUsage)) return *status;
  // The command comes first among the operands; the options may stand anywhere.
  const auto parsed = parse_arguments(args.subspan(std::min<std::size_t>(args.size(), 1)));
  if (parsed && !parsed->unknown_option.empty())
    return usage_error(console, kName, "unknown option " + parsed->unknown_option, kUsage);
  if (!parsed || parsed->operands.size() < 2) return print_usage(console, kUsage);
  const std::string& command = parsed->operands[0];
  const std::string& archive = parsed->operands[1];
  const std::vector<std::string> rest(parsed->operands.begin() + 2, parsed->operands.end());
  if (command == "list" && rest.empty() && !parsed->folder && !parsed->as_name)
    return list(archive, console);
  if (command == "extract" && !parsed->as_name)
    return extract(archive, rest, parsed->folder, console);
  if (command == "put" && !rest.empty() && !parsed->folder &&
      (!parsed->as_name || rest.size() == 1)) {
    return put(archive, rest, parsed->as_name, console);
  }
  return print_usage(console, kUsage);
}

}  // namespace

int run_viv(std::span<const std::string> args, Console& console) {
  try {
    return run_command(args, console);
  } catch (const std::bad_alloc&) {
    return fail(console, "Not enough memory");
  } catch (const std::exception& error) {
    // A fault of ours, not of the archive: still a failure, never a crash.
    return fail(console, std::string("Could not complete the command: ") + error.what());
  }
}

}  // namespace tromvex
