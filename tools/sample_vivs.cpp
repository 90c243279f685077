// The bundled sample VIV archives, built from the sample car and made-up members.
#include "tools/sample_vivs.hpp"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "port/decimal_text.hpp"
#include "tools/car_files.hpp"
#include "tools/sample_car.hpp"
#include "viv/viv.hpp"

namespace tromvex {
namespace {

Bytes text_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Numbers joined by commas, each as carp.txt prints a decimal: "1.500000,2.000000".
std::string decimal_list(const std::vector<double>& values) {
  std::string text;
  for (const double value : values) {
    if (!text.empty()) text += ',';
    text += format_fixed6(value);
  }
  return text;
}

// A made-up carp.txt laid out as NFS3's are: CRLF lines, 80 entries, each a label ending in
// its id and a value line, the serial number first, each automatic-gearbox entry after its
// manual twin, lists comma-separated (the AI tables with a trailing comma), and one space
// after the last line break. Labels and values are this project's own.
std::string donor_carp_text() {
  const std::string velocity_to_rpm = decimal_list({-230, 0, 220, 150, 110, 85, 70, 0});
  const std::string gear_ratios = decimal_list({3.2, 0, 3.1, 2.1, 1.5, 1.2, 1.0, 0});
  const std::string efficiency = decimal_list({0.8, 0, 0.9, 0.85, 0.8, 0.75, 0.7, 0});
  std::vector<double> torque;  // 41 values, one every 256 rpm, peaking at 5120 rpm
  for (int i = 0; i <= 40; ++i) torque.push_back(i <= 20 ? 180 + 8 * i : 340 - 6 * (i - 20));
  std::vector<std::pair<std::string, std::string>> entries{
      {"Serial Number(0)", "42"},
      {"Class(1)", "2"},
      {"Mass(2)", "1250.000000"},
      {"Gears, manual(3)", "6"},
      {"Gears, automatic(75)", "5"},
      {"Gear shift delay(4)", "4"},
      {"Shift blip(5)", "350"},
      {"Brake blip(6)", "120"},
      {"Velocity to rpm, manual(7)", velocity_to_rpm},
      {"Velocity to rpm, automatic(76)", velocity_to_rpm},
      {"Gear ratios, manual(8)", gear_ratios},
      {"Gear ratios, automatic(77)", gear_ratios},
      {"Gear efficiency, manual(9)", efficiency},
      {"Gear efficiency, automatic(78)", efficiency},
      {"Torque curve(10)", decimal_list(torque)},
      {"Final gear, manual(11)", "3.700000"},
      {"Final gear, automatic(79)", "3.700000"},
      {"Engine minimum rpm(12)", "900"},
      {"Redline rpm(13)", "7000"},
      {"Maximum velocity(14)", "75.000000"},
      {"Top speed cap(15)", "75.000000"},
      {"Front drive ratio(16)", "0.000000"},
      {"ABS(17)", "1"},
      {"Maximum braking deceleration(18)", "11.000000"},
      {"Front bias brake ratio(19)", "0.600000"},
      {"Gas increasing curve(20)", "0,30,60,90,120,160,200,255"},
      {"Gas decreasing curve(21)", "255,200,160,120,90,60,30,0"},
      {"Brake increasing curve(22)", decimal_list({0, 50, 100, 150, 200, 255, 255, 255})},
      {"Brake decreasing curve(23)", decimal_list({255, 150, 80, 20, 0, 0, 0, 0})},
      {"Wheel base(24)", "2.500000"},
      {"Front grip bias(25)", "0.490000"},
      {"Power steering(26)", "1"},
      {"Minimum steering acceleration(27)", "17.000000"},
      {"Turn in ramp(28)", "13.000000"},
      {"Turn out ramp(29)", "28.000000"},
      {"Lateral acceleration grip multiplier(30)", "3.000000"},
      {"Aerodynamic downforce multiplier(31)", "0.002000"},
      {"Gas off factor(32)", "0.300000"},
      {"G transfer factor(33)", "0.500000"},
      {"Turning circle radius(34)", "5.500000"},
      {"Front tyres (width,aspect,rim)(35)", "225,45,17"},
      {"Rear tyres (width,aspect,rim)(36)", "245,40,17"},
      {"Tyre wear(37)", "0.000000"},
      {"Slide multiplier(38)", "1.000000"},
      {"Spin velocity cap(39)", "0.350000"},
      {"Slide velocity cap(40)", "0.400000"},
      {"Slide assistance factor(41)", "140.000000"},
      {"Push factor(42)", "9000"},
      {"Low turn factor(43)", "0.015000"},
      {"High turn factor(44)", "0.025000"},
  };
  for (int id = 45; id <= 66; ++id) {
    entries.push_back({"Handling value " + std::to_string(id - 44) + "(" + std::to_string(id) + ")",
                       format_fixed6(0.25 * (id - 44))});
  }
  for (int id = 67; id <= 74; ++id) {
    std::vector<double> table;
    for (int step = 0; step < 10; ++step) table.push_back((id - 60) * step);
    entries.push_back(
        {"AI acceleration table " + std::to_string(id - 66) + "(" + std::to_string(id) + ")",
         decimal_list(table) + ","});
  }
  std::string text;
  for (const auto& [label, value] : entries) text += label + "\r\n" + value + "\r\n";
  return text + " ";
}

// A record of fixed-size fields with no meaning, standing in for a game's data table.
Bytes data_record(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

// A 1 x 1 32-bit TGA image of one grey pixel: the smallest texture that stands in for a car's.
Bytes placeholder_tga() {
  constexpr std::uint8_t kUncompressedTrueColour = 2;
  constexpr std::uint8_t kBitsPerPixel = 32;
  Bytes tga(18);
  tga[2] = kUncompressedTrueColour;
  tga[12] = 1;  // width
  tga[14] = 1;  // height
  tga[16] = kBitsPerPixel;
  const Bytes pixel{0x80, 0x80, 0x80, 0xFF};
  tga.insert(tga.end(), pixel.begin(), pixel.end());
  return tga;
}

Bytes archive_of(const std::vector<std::pair<std::string, Bytes>>& contents) {
  std::vector<VivMember> members;
  for (const auto& [name, bytes] : contents) members.push_back({name, 0, bytes});
  return build_viv_archive(members);
}

}  // namespace

Bytes make_sample_cardata_viv() {
  return archive_of({
      {"carlist.dat", text_bytes("smpl Sample Roadster\nblox Test Block\n")},
      {kSampleGeoMemberName, make_sample_geo()},
      {"Smpl.spc", data_record(42, 3)},
      {"BLOX.geo", write_geo_file(GeoFile{})},
      {"empty.dat", {}},
      {"carlist.dat", text_bytes("an older list, shadowed by the first\n")},
  });
}

Bytes make_donor_car_viv() {
  return archive_of({
      {"car.fce", text_bytes("placeholder mesh: tromvex-viv put replaces it\n")},
      {"carp.txt", text_bytes(donor_carp_text())},
      {"car00.tga", placeholder_tga()},
      {"fedata.eng", text_bytes("Sample Roadster\n")},
  });
}

}  // namespace tromvex
