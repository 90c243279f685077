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
      {"carp.txt", text_bytes("mass 1000\ntop speed 200\n")},
      {"car00.tga", placeholder_tga()},
      {"fedata.eng", text_bytes("Sample Roadster\n")},
  });
}

}  // namespace tromvex
