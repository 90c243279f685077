// Pairs a game install's GEO files with their texture files, by name without regard to case.
#include "port/port_plan.hpp"

#include <algorithm>
#include <array>
#include <cassert>
#include <functional>
#include <map>
#include <unordered_map>

#include "common/records.hpp"

namespace tromvex {
namespace {

constexpr std::string_view kGeoExtension = ".GEO";
constexpr std::array<std::string_view, 2> kTextureExtensions{".QFS", ".FSH"};
// The folder name under which the games keep their car textures.
constexpr std::string_view kCarModelFolder = "CARMODEL";

// ".GEO" alone has the extension too: a GEO file without a name, refused as a car's name.
bool has_extension(std::string_view name, std::string_view extension) {
  return name.size() >= extension.size() &&
         same_member_name(name.substr(name.size() - extension.size()), extension);
}

// The name without its extension, in upper case: the car's name.
std::string car_name_of(std::string_view file_name) {
  return folded_member_name(file_name.substr(0, file_name.rfind('.')));
}

bool is_under_car_model(const std::string& folder) {
  std::size_t start = 0;
  while (start <= folder.size()) {
    const std::size_t end = std::min(folder.find('/', start), folder.size());
    if (same_member_name(std::string_view(folder).substr(start, end - start), kCarModelFolder))
      return true;
    start = end + 1;
  }
  return false;
}

// A preference between competing files: its test and the words that say why a file won.
template <typename T>
struct Preference {
  std::function<bool(const T&)> holds;
  std::string_view reason;
};

// Narrows candidates by each preference in turn (one that none of them meets changes nothing).
// Returns the single file left and the reason that decided it, or nothing when more than one is
// left. Asserts that there are candidates.
template <typename T>
std::optional<std::pair<const T*, std::string_view>> choose(
    std::vector<const T*> candidates, const std::vector<Preference<T>>& preferences) {
  assert(!candidates.empty());
  std::string_view reason;
  for (const Preference<T>& preference : preferences) {
    if (candidates.size() == 1) break;
    std::vector<const T*> kept;
    for (const T* candidate : candidates)
      if (preference.holds(*candidate)) kept.push_back(candidate);
    if (kept.empty()) continue;
    candidates = std::move(kept);
    reason = preference.reason;
  }
  if (candidates.size() != 1) return std::nullopt;
  return std::pair{candidates.front(), reason};
}

// "A and B", "A, B and C".
std::string listed(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += names[i];
  }
  return text;
}

std::string taken_note(const std::string& car, const std::string& taken, std::string_view reason,
                       std::vector<std::string> others) {
  return "for " + car + ", took " + taken + " (" + std::string(reason) + ") over " + listed(others);
}

// Picks the car's GEO file among those of its name; sets car.skip when they are ambiguous.
void choose_geo(PlannedCar& car, const std::vector<const GeoSource*>& geos) {
  const std::vector<Preference<GeoSource>> preferences{
      {[](const GeoSource& geo) { return is_under_car_model(geo.file.folder); }, "under CARMODEL"}};
  const auto chosen = choose(geos, preferences);
  std::vector<std::string> names;
  for (const GeoSource* geo : geos) names.push_back(describe_geo(*geo));
  if (!chosen) {
    car.geo = *geos.front();
    car.skip = "ambiguous name: " + std::to_string(geos.size()) + " GEO files, " + listed(names);
    return;
  }
  car.geo = *chosen->first;
  if (geos.size() == 1) return;
  std::erase(names, describe_geo(car.geo));
  car.notes.push_back(taken_note(car.name, describe_geo(car.geo), chosen->second, names));
}

// Picks the car's texture file among those of its name; sets car.skip when there is none or
// they are ambiguous.
void choose_texture(PlannedCar& car, const std::vector<const FoundFile*>& textures) {
  if (textures.empty()) {
    car.skip =
        "no texture file (" + car.name + ".QFS or " + car.name + ".FSH) under the game folder";
    return;
  }
  std::vector<Preference<FoundFile>> preferences;
  if (!car.geo.member) {
    const std::string geo_folder = car.geo.file.folder;
    preferences.push_back(
        {[geo_folder](const FoundFile& file) { return file.folder == geo_folder; },
         "in the GEO file's folder"});
  }
  preferences.push_back(
      {[](const FoundFile& file) { return is_under_car_model(file.folder); }, "under CARMODEL"});
  const auto chosen = choose(textures, preferences);
  std::vector<std::string> names;
  for (const FoundFile* texture : textures) names.push_back(relative_path(*texture));
  if (!chosen) {
    car.skip =
        "ambiguous name: " + std::to_string(textures.size()) + " texture files, " + listed(names);
    return;
  }
  car.texture = *chosen->first;
  if (textures.size() == 1) return;
  std::erase(names, relative_path(*car.texture));
  car.notes.push_back(taken_note(car.name, relative_path(*car.texture), chosen->second, names));
}

}  // namespace

std::string relative_path(const FoundFile& file) {
  return file.folder.empty() ? file.name : file.folder + "/" + file.name;
}

std::string describe_geo(const GeoSource& geo) {
  if (!geo.member) return relative_path(geo.file);
  return relative_path(geo.file) + " member " + printable_name(geo.member_name);
}

bool is_geo_file_name(std::string_view name) { return has_extension(name, kGeoExtension); }

bool is_texture_file_name(std::string_view name) {
  return std::any_of(kTextureExtensions.begin(), kTextureExtensions.end(),
                     [name](std::string_view extension) { return has_extension(name, extension); });
}

ArchiveGeos find_archive_geos(const FoundFile& file, std::size_t archive,
                              std::span<const VivMember> members) {
  ArchiveGeos found;
  const std::string archive_path = relative_path(file);
  std::unordered_map<std::string, std::size_t> first_of_name;
  for (std::size_t i = 0; i < members.size(); ++i) {
    const std::string& name = members[i].name;
    if (!is_geo_file_name(name)) continue;
    const std::string label =
        archive_path + " member " + std::to_string(i) + " ('" + printable_name(name) + "')";
    // The name becomes the car folder's name: it must be one file name, not a path.
    if (!is_safe_member_name(name) || !is_safe_member_name(car_name_of(name))) {
      found.refusals.push_back("Refused " + label + ": its name is not a plain file name");
      continue;
    }
    const auto [first, is_first] = first_of_name.try_emplace(folded_member_name(name), i);
    if (!is_first) {
      found.warnings.push_back("Warning: " + label + " has the name of member " +
                               std::to_string(first->second) + "; member " +
                               std::to_string(first->second) + " is ported");
      continue;
    }
    found.geos.push_back({file, i, name, archive});
  }
  return found;
}

PortPlan plan_port(std::span<const GeoSource> geos, std::span<const FoundFile> textures,
                   std::span<const std::string> only) {
  PortPlan plan;
  std::map<std::string, std::vector<const GeoSource*>> geos_of_car;  // in name order
  for (const GeoSource& geo : geos) {
    const std::string& file_name = geo.member ? geo.member_name : geo.file.name;
    if (!geo.member && !is_safe_member_name(car_name_of(file_name))) {
      plan.refusals.push_back("Refused " + describe_geo(geo) +
                              ": its name without .GEO cannot name a car folder");
      continue;
    }
    geos_of_car[car_name_of(file_name)].push_back(&geo);
  }
  std::unordered_map<std::string, std::vector<const FoundFile*>> textures_of_car;
  for (const FoundFile& texture : textures) {
    if (is_texture_file_name(texture.name)) {
      textures_of_car[car_name_of(texture.name)].push_back(&texture);
    }
  }
  std::vector<std::string> wanted;
  for (const std::string& name : only) {
    const std::string folded = folded_member_name(name);
    if (!geos_of_car.contains(folded)) plan.unknown.push_back(name);
    wanted.push_back(folded);
  }
  for (const auto& [name, car_geos] : geos_of_car) {
    if (!only.empty() && std::find(wanted.begin(), wanted.end(), name) == wanted.end()) continue;
    PlannedCar car;
    car.name = name;
    choose_geo(car, car_geos);
    if (!car.skip) choose_texture(car, textures_of_car[name]);
    plan.cars.push_back(std::move(car));
  }
  return plan;
}

}  // namespace tromvex
