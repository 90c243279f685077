// The bundled sample installs, built from the sample car, two made-up props and made-up data.
#include "tools/sample_installs.hpp"

#include <string_view>

#include "tools/car_files.hpp"
#include "tools/physics_record_file.hpp"
#include "tools/qfs_compress.hpp"
#include "tools/sample_car.hpp"
#include "viv/viv.hpp"

namespace tromvex {
namespace {

// A GEO file cut short inside its parts: the port names it and goes on with the others.
constexpr std::size_t kWreckedGeoSize = 1000;

Bytes text_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes box_geo() { return make_sample_prop_geo(50, 100, 50, "wood"); }
Bytes log_geo() { return make_sample_prop_geo(20, 40, 150, "bark"); }
Bytes crate_geo() { return make_sample_prop_geo(40, 60, 40, "wood"); }
Bytes box_archive() { return make_sample_prop_archive("wood", PropLook::planks); }
Bytes log_archive() { return make_sample_prop_archive("bark", PropLook::bark); }

Bytes wrecked_geo() {
  Bytes geo = make_sample_geo();
  geo.resize(kWreckedGeoSize);
  return geo;
}

Bytes cardata_archive() {
  const std::vector<std::pair<std::string, Bytes>> contents{
      {"carlist.dat", text_bytes("smpl Sample Roadster\nblox Box\nlog Log\ncrate Crate\n")},
      {"smpl.GEO", make_sample_geo()},
      {"Smpl.spc", Bytes(42, 7)},
      {"Blox.geo", box_geo()},
      {"LOG.GEO", log_geo()},
      {"crate.geo", crate_geo()},
      {"Wreck.geo", wrecked_geo()},
      {"SMPL.geo", write_geo_file(GeoFile{})},
      {"empty.dat", {}},
      // The sample car's performance record, named in another case than its GEO member; the
      // props have none.
      {"pSMPL.dat", write_physics_record(made_up_physics_record())},
  };
  std::vector<VivMember> members;
  for (const auto& [name, bytes] : contents) members.push_back({name, 0, bytes});
  return build_viv_archive(members);
}

}  // namespace

std::vector<InstallFile> make_sample_nfs2se_install() {
  return {
      {"GameData/CARDATA.VIV", cardata_archive()},
      {"GameData/CarModel/PC/SMPL.QFS", make_sample_qfs()},
      {"GameData/CarModel/PC/blox.qfs", qfs_compress(box_archive())},
      {"GameData/CarModel/PC/Log.Qfs", qfs_compress(log_archive())},
      {"GameData/CarModel/PC/WRECK.QFS", make_sample_qfs()},
  };
}

std::vector<InstallFile> make_sample_nfs2_install() {
  return {
      {"GAMEDATA/CARMODEL/PC/smpl.geo", make_sample_geo()},
      {"GAMEDATA/CARMODEL/PC/SMPL.QFS", make_sample_qfs()},
      {"GAMEDATA/CARMODEL/PC/Blox.GEO", box_geo()},
      {"GAMEDATA/CARMODEL/PC/BLOX.FSH", box_archive()},
      {"GAMEDATA/CARMODEL/PC/log.geo", log_geo()},
      {"GAMEDATA/CARMODEL/PC/Log.qfs", qfs_compress(log_archive())},
  };
}

}  // namespace tromvex
