// One car of a port in memory: converted and finished, then the files of its NFS3 car folder,
// with the donor's car.viv and the car's own serial number (and physics) in its carp.txt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"
#include "port/carp.hpp"
#include "port/physics_map.hpp"
#include "viv/viv.hpp"

namespace tromvex {

// The serial numbers the game keeps (in one byte), and the port's first one by default: above
// the stock cars' numbers.
inline constexpr unsigned kMaxSerialNumber = 255;
inline constexpr unsigned kDefaultFirstSerial = 200;
// The carp.txt entry of the serial number, the first of a real file.
inline constexpr std::uint32_t kSerialNumberId = 0;

// The names of a car's files, in its folder and inside its car.viv.
inline constexpr const char* kCarFceName = "car.fce";
inline constexpr const char* kCarTgaName = "car00.tga";
inline constexpr const char* kCarVivName = "car.viv";
inline constexpr const char* kCarpName = "carp.txt";

// A car converted for the port.
struct ConvertedCar {
  Bytes fce_image;  // finished unless the port is exact
  Bytes tga_image;
  std::size_t part_count = 0;
  std::size_t triangle_count = 0;
  std::size_t missing_texture_polygons = 0;  // polygons naming a texture the archive lacks
  bool finished = false;
};

// The step of a car's conversion that refused it.
enum class CarStep {
  geo_file,      // the GEO file's bytes
  texture_file,  // the texture file's bytes
  finishing,     // the finishing step, on the FCE file the GEO file gave
};

// Converts a car as tromvex does (the same bytes), then finishes its FCE image unless exact.
// The texture file is consumed. Throws MalformedFile for what the conversion or the finishing
// refuses, with `step` set to the step at fault; std::bad_alloc when memory runs out.
ConvertedCar convert_port_car(std::span<const std::uint8_t> geo_image, Bytes texture_file,
                              bool exact, CarStep& step);

// The donor car.viv as every car of a port shares it, read once.
struct Donor {
  std::vector<VivMember> members;  // views into the caller's image, which outlives the donor
  std::optional<CarpFile> carp;    // its carp.txt's entries, when it holds one that reads
  // Whether that carp.txt begins with the serial number (id 0), so that each car gets its own.
  bool has_serial_number = false;
  std::string carp_note;  // why not, when it does not: no carp.txt, the reader's message ...
};

// Reads the donor's archive. Throws MalformedFile for an archive read_viv_directory refuses,
// and for one whose members overlap (every car would copy the shared bytes into each member);
// a carp.txt it cannot use for serial numbers is not an error (carp_note says why).
Donor read_donor(std::span<const std::uint8_t> image);
Donor read_donor(Bytes&& image) = delete;  // the members would outlive the image they view

// Whether the serial numbers first to first + count - 1 all fit in the game's byte. Throws
// nothing.
bool serial_numbers_fit(unsigned first, std::size_t count);

// The car's carp.txt: a copy of the donor's with the serial number's value set to serial.
// Asserts that the donor's first entry is the serial number and that serial fits. Throws
// std::bad_alloc only.
CarpFile car_carp(const CarpFile& donor_carp, unsigned serial);

// The name of a car's performance record beside its GEO member in the car-data archive: "p",
// the member's name without its extension, ".DAT" ("smpl.GEO" gives "psmpl.DAT"). Throws
// std::bad_alloc only.
std::string physics_record_name(std::string_view geo_member_name);

// map_physics of record onto the donor's carp.txt, whose entries it looks up by id. Throws
// std::bad_alloc only.
PhysicsMap map_donor_physics(const PhysicsRecord& record, const CarpFile& donor_carp);

// A copy of carp with the value line of each entry map names replaced by the map's line; every
// other byte stays. Asserts that carp holds every entry map names (as map_donor_physics gives
// them for it). Throws std::bad_alloc only.
CarpFile carp_with_physics(const CarpFile& carp, const PhysicsMap& map);

// A file of a car's folder.
struct CarFolderFile {
  std::string name;
  Bytes bytes;
};

// The files of the car's folder. With a donor: one car.viv, the donor's members with car.fce,
// car00.tga and, when carp is given, carp.txt put in as tromvex-viv put puts them (a member of
// the name, in any case, keeps its name and place; a name the donor lacks is appended).
// Without: car.fce and car00.tga. The car is consumed. Throws std::length_error for a car.viv
// beyond 4 GiB, std::bad_alloc when memory runs out.
std::vector<CarFolderFile> build_car_folder(ConvertedCar car, const Donor* donor,
                                            const CarpFile* carp);

}  // namespace tromvex
