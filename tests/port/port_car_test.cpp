// Tests of one car of a port in memory: the same bytes as tromvex and the finishing step, the
// step at fault when a car is refused, the donor read once, and the car folder's files.
#include "port/port_car.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mesh/fce_finish.hpp"
#include "pipeline/convert.hpp"
#include "support/car_builder.hpp"
#include "support/rejection.hpp"
#include "support/viv_builder.hpp"
#include "tools/car_files.hpp"
#include "tools/physics_record_file.hpp"

namespace tromvex {
namespace {

using test::rejection_of;
using test::viv_archive;

Bytes text_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

CarImages tromvex_images(const test::CarFiles& car) {
  ConversionEvents quiet;
  return convert_car(car.geo_image, car.qfs_archive, quiet);
}

// The small car of the end-to-end tests: 12 parts, 22 triangles, one polygon without texture.
TEST(ConvertPortCar, GivesTromvexBytesFinishedOrExact) {
  const test::CarFiles files = test::build_small_car();
  const CarImages tromvex = tromvex_images(files);
  const Bytes finished_fce = finish_fce_image(tromvex.fce_image).image;
  EXPECT_NE(finished_fce, tromvex.fce_image);
  for (const bool exact : {true, false}) {
    CarStep step = CarStep::geo_file;
    const ConvertedCar car = convert_port_car(files.geo_image, files.qfs_archive, exact, step);
    EXPECT_EQ(car.fce_image, exact ? tromvex.fce_image : finished_fce);
    EXPECT_EQ(car.tga_image, tromvex.tga_image);
    EXPECT_EQ(car.finished, !exact);
    EXPECT_EQ(car.part_count, 12u);
    EXPECT_EQ(car.triangle_count, 22u);
    EXPECT_EQ(car.missing_texture_polygons, 1u);
  }
}

TEST(ConvertPortCar, NamesTheStepThatRefusedTheCar) {
  const test::CarFiles files = test::build_small_car();
  Bytes short_geo = files.geo_image;
  short_geo.resize(200);
  Bytes short_texture = files.shpi_archive;
  short_texture.resize(20);
  // A polygon whose corner lies beyond its part's vertices passes the conversion as it stands,
  // but the finishing step cannot give that corner a normal.
  GeoFile stray;
  stray.parts[0].vertex_count = 4;
  stray.parts[0].vertices = {{0, 0, 0}, {256, 0, 0}, {256, 256, 0}, {0, 256, 0}};
  stray.parts[0].polygons = {{0, {0, 1, 2, 9}, texture_name("tex1")}};
  const Bytes stray_geo = write_geo_file(stray);

  struct Case {
    const Bytes& geo;
    const Bytes& texture;
    CarStep step;
  };
  for (const Case& c : {Case{short_geo, files.qfs_archive, CarStep::geo_file},
                        Case{files.geo_image, short_texture, CarStep::texture_file},
                        Case{stray_geo, files.shpi_archive, CarStep::finishing}}) {
    CarStep step = CarStep::finishing;
    if (c.step == CarStep::finishing) step = CarStep::geo_file;
    EXPECT_TRUE(rejection_of([&] { convert_port_car(c.geo, c.texture, false, step); }));
    EXPECT_EQ(step, c.step);
  }
  // Exact, it converts: part 0's two triangles go to the high and the medium body.
  CarStep step = CarStep::geo_file;
  EXPECT_EQ(convert_port_car(stray_geo, files.shpi_archive, true, step).triangle_count, 4u);
}

const std::string kCarp = "Serial Number(0)\r\n42\r\nMass(2)\r\n1250.000000\r\n ";

TEST(ReadDonor, TakesTheSerialNumberOnlyFromACarpTxtThatBeginsWithIt) {
  struct Case {
    test::VivContents contents;
    bool has_serial_number;
    std::string note;
  };
  const std::vector<Case> cases{
      {{{"car.fce", {1}}, {"CARP.TXT", text_bytes(kCarp)}}, true, ""},
      {{{"car.fce", {1}}}, false, "the donor holds no carp.txt"},
      {{{"carp.txt", text_bytes("Mass(2)\r\n1\r\nSerial Number(0)\r\n42\r\n")}},
       false,
       "the donor's carp.txt does not begin with the serial number entry (id 0)"},
      {{{"carp.txt", text_bytes("mass 1000\n")}},
       false,
       "the donor's carp.txt cannot be read: line 1 of carp.txt ('mass 1000') is not a label "
       "line: it does not end in an id in parentheses"},
  };
  for (const Case& c : cases) {
    const Bytes image = viv_archive(c.contents);
    const Donor donor = read_donor(image);
    EXPECT_EQ(donor.members.size(), c.contents.size());
    EXPECT_EQ(donor.has_serial_number, c.has_serial_number);
    EXPECT_EQ(donor.carp_note, c.note);
  }
}

TEST(ReadDonor, RefusesMembersThatShareTheirBytes) {
  Bytes image = viv_archive({{"car.fce", Bytes(100, 1)}, {"carp.txt", Bytes(1, 2)}});
  // The second member's entry (after the header and the first, 16 bytes each) now names the
  // first member's 100 bytes: 200 bytes of data in a smaller archive.
  const std::vector<VivMember> members = read_viv_directory(image);
  write_u32_be(image.data() + 32, members[0].offset);
  write_u32_be(image.data() + 36, 100);
  EXPECT_EQ(rejection_of([&] { read_donor(image); }),
            "its members overlap; their data add up to 200 bytes, more than the archive's " +
                std::to_string(image.size()));
  const Bytes not_viv{'B', 'I', 'G'};
  EXPECT_TRUE(rejection_of([&] { read_donor(not_viv); }));
}

TEST(SerialNumbers, FitInOneByte) {
  struct Case {
    unsigned first;
    std::size_t count;
    bool fit;
  };
  for (const Case& c :
       {Case{200, 56, true}, Case{200, 57, false}, Case{255, 1, true}, Case{255, 2, false},
        Case{0, 256, true}, Case{0, 257, false}, Case{0, 0, true}, Case{256, 0, false}}) {
    EXPECT_EQ(serial_numbers_fit(c.first, c.count), c.fit) << c.first << " " << c.count;
  }
}

TEST(CarCarp, SetsTheSerialNumberAndKeepsEveryOtherByte) {
  const CarpFile donor = read_carp(text_bytes(kCarp));
  EXPECT_EQ(write_carp(car_carp(donor, 207)),
            text_bytes("Serial Number(0)\r\n207\r\nMass(2)\r\n1250.000000\r\n "));
  EXPECT_EQ(write_carp(donor), text_bytes(kCarp));  // the donor's stays as it was
}

TEST(PhysicsRecordName, IsTheGeoMembersStemBetweenPAndDat) {
  EXPECT_EQ(physics_record_name("smpl.GEO"), "psmpl.DAT");
  EXPECT_EQ(physics_record_name("a.b.geo"), "pa.b.DAT");
}

using CarpLines = std::vector<std::pair<std::string, std::string>>;  // label and value lines

std::string carp_text(const CarpLines& entries, std::string_view line_break) {
  std::string text;
  for (const auto& [label, value] : entries) {
    text += label + std::string(line_break) + value + std::string(line_break);
  }
  return text + " \t";
}

TEST(CarpWithPhysics, ReplacesTheMappedValuesAndKeepsEveryOtherByte) {
  // A made-up donor of a few entries in a real file's order: some the map replaces (the gear
  // ratios with and without a trailing comma), some it reads (final gear 4, rear tyres 205/60
  // R15) or leaves alone, and none of the others it writes (which stay missing).
  const CarpLines donor_lines{{"Serial Number(0)", "7"},  {"Class(1)", "1"},
                              {"Mass(2)", "1000"},        {"Gears(3)", "5"},
                              {"Gears, auto(75)", "4"},   {"Blip(5)", "350"},
                              {"Ratios(8)", "1,2,"},      {"Ratios, auto(77)", "1,2"},
                              {"Final gear(11)", "4"},    {"Final gear, auto(79)", "1.000000"},
                              {"Tyres(36)", "205,60,15"}, {"AI(67)", "1,2,3,"}};
  // r = (15 * 25.4 + 2 * 205 * 60 / 100) / 2000 = 0.3135 m, F = 4: each gear ratio is
  // |velocity to rpm| * 2 pi 0.3135 / 240 = |v2r| * 0.00820741080750..., so 250 -> 2.051853,
  // 240 -> 1.969779, 165.5 -> 1.358326, 120.25 -> 0.986941, 90 -> 0.738667.
  const std::string ratios =
      "2.051853,0.000000,1.969779,1.358326,0.986941,0.738667,0.000000,0.000000";
  CarpLines expected_lines = donor_lines;
  expected_lines[2].second = "1250.500000";
  expected_lines[3].second = expected_lines[4].second = "6";
  expected_lines[6].second = ratios + ",";
  expected_lines[7].second = ratios;
  expected_lines[9].second = "4.000000";  // the donor's final gear

  for (const std::string_view line_break : {"\r\n", "\n"}) {
    const std::string donor_text = carp_text(donor_lines, line_break);
    const CarpFile donor = read_carp(text_bytes(donor_text));
    const PhysicsMap map = map_donor_physics(made_up_physics_record(), donor);
    EXPECT_EQ(write_carp(carp_with_physics(donor, map)),
              text_bytes(carp_text(expected_lines, line_break)));
    // With nothing to replace, the donor comes back byte for byte.
    EXPECT_EQ(write_carp(carp_with_physics(donor, {})), text_bytes(donor_text));
  }
}

// The files of a car folder as names and bytes, in order.
test::VivContents named(const std::vector<CarFolderFile>& files) {
  test::VivContents contents;
  for (const CarFolderFile& file : files) contents.emplace_back(file.name, file.bytes);
  return contents;
}

TEST(BuildCarFolder, PutsTheCarIntoACopyOfTheDonorOrWritesLooseFiles) {
  const Bytes fce{'F', 'C', 'E'}, tga{'T', 'G', 'A', '!'};
  ConvertedCar car;
  car.fce_image = fce;
  car.tga_image = tga;
  const Bytes image = viv_archive(
      {{"CAR.FCE", {1}}, {"carp.txt", text_bytes(kCarp)}, {"fedata.eng", {7}}, {"Car00.TGA", {2}}});
  const Donor donor = read_donor(image);
  const CarpFile carp = car_carp(*donor.carp, 201);
  const Bytes carp_201 = text_bytes("Serial Number(0)\r\n201\r\nMass(2)\r\n1250.000000\r\n ");
  EXPECT_EQ(named(build_car_folder(car, &donor, &carp)),
            (test::VivContents{{"car.viv", viv_archive({{"CAR.FCE", fce},
                                                        {"carp.txt", carp_201},
                                                        {"fedata.eng", {7}},
                                                        {"Car00.TGA", tga}})}}));
  // Without a carp.txt of its own the donor's stays; members the donor lacks are appended.
  const Bytes bare_image = viv_archive({{"carp.txt", text_bytes(kCarp)}});
  const Donor bare = read_donor(bare_image);
  EXPECT_EQ(
      named(build_car_folder(car, &bare, nullptr)),
      (test::VivContents{
          {"car.viv",
           viv_archive({{"carp.txt", text_bytes(kCarp)}, {"car.fce", fce}, {"car00.tga", tga}})}}));
  EXPECT_EQ(named(build_car_folder(car, nullptr, nullptr)),
            (test::VivContents{{"car.fce", fce}, {"car00.tga", tga}}));
}

}  // namespace
}  // namespace tromvex
