// One car of a port in memory: conversion, finishing and the files of its car folder.
#include "port/port_car.hpp"

#include <cassert>
#include <string_view>
#include <utility>

#include "common/byte_reader.hpp"
#include "common/malformed_file.hpp"
#include "mesh/fce_finish.hpp"
#include "mesh/fce_layout.hpp"
#include "pipeline/convert.hpp"

namespace tromvex {
namespace {

// Follows the conversion's phases to know which input a refusal is about, and counts the
// polygons whose texture is missing.
class StepTracker final : public ConversionEvents {
 public:
  explicit StepTracker(CarStep& step) : step_(step) {
    step_ = CarStep::texture_file;  // the texture file is unpacked before the first phase
  }
  void before(Phase phase) override {
    step_ = phase == Phase::mesh ? CarStep::geo_file : CarStep::texture_file;
  }
  void missing_texture() override { ++missing_; }
  std::size_t missing() const { return missing_; }

 private:
  CarStep& step_;
  std::size_t missing_ = 0;
};

}  // namespace

ConvertedCar convert_port_car(std::span<const std::uint8_t> geo_image, Bytes texture_file,
                              bool exact, CarStep& step) {
  StepTracker tracker(step);
  CarImages images = convert_car(geo_image, std::move(texture_file), tracker);
  ConvertedCar car;
  car.missing_texture_polygons = tracker.missing();
  car.tga_image = std::move(images.tga_image);
  if (exact) {
    car.fce_image = std::move(images.fce_image);
  } else {
    // The conversion passes vertex indices on as the GEO file has them; one beyond its part
    // makes an FCE image the finishing step refuses.
    step = CarStep::finishing;
    FinishedFce finished = finish_fce_image(images.fce_image);
    images.fce_image = {};
    car.fce_image = std::move(finished.image);
    car.finished = true;
  }
  // The conversion wrote these header fields itself.
  ByteReader header(car.fce_image, "the FCE image's header");
  header.seek(kFceTriangleTotalOffset);
  car.triangle_count = header.u32();
  header.seek(kFcePartCountOffset);
  car.part_count = header.u32();
  return car;
}

Donor read_donor(std::span<const std::uint8_t> image) {
  Donor donor;
  donor.members = read_viv_directory(image);
  check_viv_rebuild(donor.members, image.size());
  const std::optional<std::size_t> carp = find_viv_member(donor.members, kCarpName);
  if (!carp) {
    donor.carp_note = "the donor holds no carp.txt";
    return donor;
  }
  try {
    donor.carp = read_carp(donor.members[*carp].bytes);
  } catch (const MalformedFile& error) {
    donor.carp_note = "the donor's carp.txt cannot be read: " + std::string(error.what());
    return donor;
  }
  donor.has_serial_number =
      !donor.carp->entries.empty() && donor.carp->entries.front().id == kSerialNumberId;
  if (!donor.has_serial_number) {
    donor.carp_note = "the donor's carp.txt does not begin with the serial number entry (id 0)";
  }
  return donor;
}

bool serial_numbers_fit(unsigned first, std::size_t count) {
  return first <= kMaxSerialNumber && count <= std::size_t{kMaxSerialNumber} - first + 1;
}

CarpFile car_carp(const CarpFile& donor_carp, unsigned serial) {
  assert(!donor_carp.entries.empty() && donor_carp.entries.front().id == kSerialNumberId);
  assert(serial <= kMaxSerialNumber);
  CarpFile carp = donor_carp;
  replace_carp_value(carp, kSerialNumberId, std::to_string(serial));
  return carp;
}

std::string physics_record_name(std::string_view geo_member_name) {
  // Appended piece by piece: GCC 12 warns falsely of overlapping copies in "p" + string.
  std::string name = "p";
  name += geo_member_name.substr(0, geo_member_name.rfind('.'));
  name += ".DAT";
  return name;
}

PhysicsMap map_donor_physics(const PhysicsRecord& record, const CarpFile& donor_carp) {
  return map_physics(record, [&donor_carp](int id) -> std::optional<std::string> {
    assert(id >= 0);  // the map asks for its own ids only
    const CarpEntry* entry = find_carp_entry(donor_carp, static_cast<std::uint32_t>(id));
    if (entry == nullptr) return std::nullopt;
    return entry->value;
  });
}

CarpFile carp_with_physics(const CarpFile& carp, const PhysicsMap& map) {
  CarpFile changed = carp;
  for (const CarpValueLine& line : map.lines) {
    [[maybe_unused]] const bool replaced =
        replace_carp_value(changed, static_cast<std::uint32_t>(line.id), line.text);
    assert(replaced);
  }
  return changed;
}

std::vector<CarFolderFile> build_car_folder(ConvertedCar car, const Donor* donor,
                                            const CarpFile* carp) {
  std::vector<CarFolderFile> files;
  if (donor == nullptr) {
    files.push_back({kCarFceName, std::move(car.fce_image)});
    files.push_back({kCarTgaName, std::move(car.tga_image)});
    return files;
  }
  std::vector<VivMember> members = donor->members;
  put_viv_member(members, {kCarFceName, 0, car.fce_image});
  put_viv_member(members, {kCarTgaName, 0, car.tga_image});
  Bytes carp_text;
  if (carp != nullptr) {
    carp_text = write_carp(*carp);
    put_viv_member(members, {kCarpName, 0, carp_text});
  }
  files.push_back({kCarVivName, build_viv_archive(members)});
  return files;
}

}  // namespace tromvex
