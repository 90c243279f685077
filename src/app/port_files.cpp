// The file-system side of tromvex-port: the walk through the game folder and the car folders.
#include "app/port_files.hpp"

#include <algorithm>
#include <deque>

#include "app/companion.hpp"
#include "app/platform.hpp"

namespace tromvex {
namespace {

constexpr std::string_view kCarDataArchiveName = "CARDATA.VIV";
// A file being written into a car folder is first named "." + its name + this.
constexpr std::string_view kStagedSuffix = ".tromvex-port";

// A folder of the game as messages name it: relative to the game folder, or the game folder.
std::string folder_label(const std::string& game, const std::string& folder) {
  return folder.empty() ? game : folder;
}

class GameFolderWalk {
 public:
  explicit GameFolderWalk(const std::string& game) : game_(game) {}

  GameFolderFiles run() {
    visit("", 0);
    if (!too_deep_.empty()) {
      found_.notes.push_back("Note: " + std::to_string(too_deep_.size()) +
                             " folders lie more than " + std::to_string(kMaxSearchDepth) +
                             " folders down and were not searched, such as " + too_deep_.front());
    }
    return std::move(found_);
  }

 private:
  void visit(const std::string& folder, std::size_t depth) {
    auto entries = list_folder(folder.empty() ? game_ : path_in(game_, folder));
    if (!entries) {
      found_.problems.push_back("Could not look into " + folder_label(game_, folder) +
                                ": the folder cannot be listed");
      return;
    }
    // Every system lists in its own order; name order makes every run alike.
    std::sort(entries->begin(), entries->end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& entry : *entries) {
      const FoundFile file{folder, entry.name};
      switch (entry.kind) {
        case EntryKind::file:
          take_file(file);
          break;
        case EntryKind::folder:
          if (depth == kMaxSearchDepth) {
            too_deep_.push_back(relative_path(file));
          } else {
            visit(relative_path(file), depth + 1);
          }
          break;
        case EntryKind::link:
          // Where a link leads is not known to be inside the game folder.
          found_.notes.push_back("Note: " + relative_path(file) +
                                 " is a link; tromvex-port does not follow links");
          break;
        case EntryKind::other:
          break;
      }
    }
  }

  void take_file(const FoundFile& file) {
    if (is_geo_file_name(file.name)) {
      found_.geo_files.push_back(file);
    } else if (is_texture_file_name(file.name)) {
      found_.texture_files.push_back(file);
    } else if (same_member_name(file.name, kCarDataArchiveName)) {
      found_.archives.push_back(file);
    }
  }

  const std::string& game_;
  GameFolderFiles found_;
  std::vector<std::string> too_deep_;
};

// Removes what a failed write of a car folder left: staged files, files already renamed into
// place, and the folder when the write created it.
void remove_all(const std::vector<std::string>& paths, const std::string& folder,
                bool created_folder) {
  for (const std::string& path : paths) remove_file(path);
  if (created_folder) remove_empty_folder(folder);
}

}  // namespace

GameFolderFiles find_game_files(const std::string& game) { return GameFolderWalk(game).run(); }

std::optional<std::string> write_car_folder(const std::string& folder,
                                            std::span<const CarFolderFile> files,
                                            bool into_existing) {
  const bool created = create_folder(folder);
  if (!created && !(into_existing && is_folder(folder))) {
    if (!path_exists(folder)) return "Could not write " + folder + ": the folder cannot be created";
    if (!is_folder(folder))
      return "Could not write " + folder + ": a file of that name stands there";
    return "Could not write " + folder + ": it exists (--force writes into it)";
  }
  std::vector<std::string> staged;
  // A staged file is whole but not in place: an interruption removes it, as it removes the
  // writer's temporary files, until the rename below; then its name is gone.
  std::deque<FileInProgress> marks;
  for (const CarFolderFile& file : files) {
    const std::string path = path_in(folder, "." + file.name + std::string(kStagedSuffix));
    marks.emplace_back(path);
    const WriteOutcome outcome = write_whole_file(path, file.bytes);
    if (outcome != WriteOutcome::written) {
      remove_all(staged, folder, created);
      return write_failure(path_in(folder, file.name), outcome);
    }
    staged.push_back(path);
  }
  // Every file is whole on disk: only renames are left, which replace files whole.
  std::vector<std::string> placed;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string target = path_in(folder, files[i].name);
    if (!rename_file(staged[i], target)) {
      remove_all(
          std::vector<std::string>(staged.begin() + static_cast<std::ptrdiff_t>(i), staged.end()),
          folder, false);
      if (created) remove_all(placed, folder, true);
      return write_failure(target, WriteOutcome::cannot_create);
    }
    placed.push_back(target);
  }
  return std::nullopt;
}

}  // namespace tromvex
