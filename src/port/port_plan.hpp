// Decides which cars of a game install to port: each GEO file (loose, or a member of a car-data
// archive) paired with the texture file of its name, all names without regard to case.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "viv/viv.hpp"

namespace tromvex {

// A file found in the game folder.
struct FoundFile {
  std::string folder;  // the folder holding it, relative to the game folder, '/' between
                       // names, "" for the game folder itself
  std::string name;    // the file's name as the folder lists it
};

// The file's path relative to the game folder, '/' between names. Throws std::bad_alloc only.
std::string relative_path(const FoundFile& file);

// Where a GEO file was found: a loose file, or a member of a car-data archive.
struct GeoSource {
  FoundFile file;                     // the loose GEO file, or the archive holding the member
  std::optional<std::size_t> member;  // the member's index in its archive; nothing when loose
  std::string member_name;            // the member's name as stored; "" when loose
  std::size_t archive = 0;            // which of the caller's archives holds the member
};

// The GEO file as messages name it: "GAMEDATA/CARDATA.VIV member mcf1.geo" or the loose file's
// path. Throws std::bad_alloc only.
std::string describe_geo(const GeoSource& geo);

// What a car-data archive offers: its GEO members, and what a user is told about the others.
struct ArchiveGeos {
  std::vector<GeoSource> geos;        // the first member of each GEO name, in member order
  std::vector<std::string> warnings;  // a GEO name held twice: the later member is not taken
  std::vector<std::string> refusals;  // a GEO member whose name is not a plain file name
};

// The GEO members (names ending in ".GEO" in any case) of the archive found as `file`, which
// the caller knows as its archive number `archive`. Throws std::bad_alloc only.
ArchiveGeos find_archive_geos(const FoundFile& file, std::size_t archive,
                              std::span<const VivMember> members);

// Whether a loose file's name ends in ".GEO", or in ".QFS" or ".FSH", in any case. Throw
// std::bad_alloc only.
bool is_geo_file_name(std::string_view name);
bool is_texture_file_name(std::string_view name);

// One car of the install, as the port takes it or why it does not.
struct PlannedCar {
  std::string name;                  // the GEO file's name without ".GEO", in upper case
  GeoSource geo;                     // the GEO file taken
  std::optional<FoundFile> texture;  // the texture file taken; nothing when the car is skipped
  std::optional<std::string> skip;   // why the car is not ported; nothing when it is
  std::vector<std::string> notes;    // which of competing files was taken, and why
};

struct PortPlan {
  std::vector<PlannedCar> cars;       // in name order, each name once
  std::vector<std::string> refusals;  // loose GEO files whose names cannot name a car folder
  std::vector<std::string> unknown;   // names asked for that no car has, as given
};

// Pairs each GEO file with the texture file of its name (".QFS" or ".FSH"; other names among
// textures are passed over). Where files of one
// name compete, the one in the loose GEO file's own folder is taken, then one under a folder
// named CARMODEL (for GEO files too: a loose GEO there over an archived one); a car whose
// competing files remain more than one is skipped as ambiguous, and one without a texture file
// is skipped. With `only` not empty, only the cars it names are planned. A GEO file whose name
// without ".GEO" is not a plain file name is refused. Throws std::bad_alloc only.
PortPlan plan_port(std::span<const GeoSource> geos, std::span<const FoundFile> textures,
                   std::span<const std::string> only);

}  // namespace tromvex
