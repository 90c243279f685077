// The file-system side of tromvex-port: the walk through the game folder, and the writing of
// each car folder so that a car that fails leaves nothing of itself.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "port/port_car.hpp"
#include "port/port_plan.hpp"

namespace tromvex {

// How deep below the game folder the walk looks: the games keep their cars three folders
// down (GAMEDATA/CARMODEL/PC), and a folder holding the game may be dropped instead.
inline constexpr std::size_t kMaxSearchDepth = 8;

// What the walk found, each list in the walk's order: folders in name order, depth first.
struct GameFolderFiles {
  std::vector<FoundFile> geo_files;      // loose files named *.GEO
  std::vector<FoundFile> texture_files;  // *.QFS and *.FSH
  std::vector<FoundFile> archives;       // car-data archives, named CARDATA.VIV
  std::vector<std::string> notes;        // links not followed, folders too deep to search
  std::vector<std::string> problems;     // folders that could not be listed
};

// Walks the folder game (UTF-8), at most kMaxSearchDepth folders down, never through a link,
// matching names without regard to case. Throws std::bad_alloc only.
GameFolderFiles find_game_files(const std::string& game);

// Writes files into the car folder at folder (UTF-8). The folder must not exist, unless
// into_existing, which writes into the folder standing there (replacing files of the same
// names, keeping the others). Each file is first written whole beside its place, and only
// once all are, renamed into it; when anything fails, the files written are removed, with
// the folder if this call created it. Returns nothing when every file is in place, otherwise
// the failure text. Throws std::bad_alloc only.
std::optional<std::string> write_car_folder(const std::string& folder,
                                            std::span<const CarFolderFile> files,
                                            bool into_existing);

}  // namespace tromvex
