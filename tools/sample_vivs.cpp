// The bundled sample VIV archives, built from the sample car and made-up members.
#include "tools/sample_vivs.hpp"

#include <string_view>
#include <vector>

#include "tools/car_files.hpp"
#include "tools/sample_car.hpp"
#include "viv/viv.hpp"

namespace tromvex {
namespace {

Bytes text_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A made-up carp.txt laid out as NFS3's are: CRLF lines, the serial number first, each
// entry a label ending in its id and a value line, ids out of order, and one space after the
// last line break.
constexpr std::string_view kDonorCarpText =
    "Serial Number(0)\r\n42\r\n"
    "Class(1)\r\n2\r\n"
    "Mass(2)\r\n1250.000000\r\n"
    "Gears, manual(3)\r\n6\r\n"
    "Gears, automatic(75)\r\n5\r\n"
    "Redline rpm(13)\r\n7000\r\n"
    "Wheel base(24)\r\n2.500000\r\n ";

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
      {"carp.txt", text_bytes(kDonorCarpText)},
      {"car00.tga", placeholder_tga()},
      {"fedata.eng", text_bytes("Sample Roadster\n")},
  });
}

}  // namespace tromvex
