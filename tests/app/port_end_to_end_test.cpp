// Runs the real tromvex-port on the bundled sample installs and checks each car against what
// tromvex (and the finishing step) make of the same two files, taken out with tromvex-viv.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "mesh/fce_finish.hpp"
#include "support/subprocess.hpp"
#include "support/temp_dir.hpp"
#include "viv/viv.hpp"

namespace tromvex {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::run_process;
using test::TempDir;

const std::string kExamplesDir = TROMVEX_EXAMPLES_DIR;

test::ProcessResult run(const std::string& program, const std::vector<std::string>& args,
                        int status) {
  const auto result = run_process(program, args);
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, status) << result.output;
  return result;
}

// tromvex's car.fce and car00.tga of a GEO and a texture file, in folder.
void convert_with_tromvex(const std::string& geo, const std::string& texture,
                          const std::string& folder) {
  fs::create_directories(folder);
  run(TROMVEX_EXE, {"tromvex", geo, texture, folder + "/car.fce", folder + "/car00.tga"}, 0);
}

struct ArchivedCar {
  std::string name;
  std::string member;
  std::string texture;
  unsigned serial;
};

TEST(PortEndToEnd, TheNfs2seSampleGivesTromvexCarsInCopiesOfTheDonor) {
  TempDir dir;
  const std::string game = kExamplesDir + "/nfs2se";
  const std::string donor = kExamplesDir + "/donor_car.viv";
  run(TROMVEX_PORT_EXE, {"tromvex-port", game, dir.file("out"), "--donor", donor}, 1);
  run(TROMVEX_PORT_EXE, {"tromvex-port", game, dir.file("exact"), "--donor", donor, "--exact"}, 1);
  const Bytes donor_image = read_file(donor);
  const std::vector<VivMember> donor_members = read_viv_directory(donor_image);

  const std::vector<ArchivedCar> cars{{"BLOX", "Blox.geo", "blox.qfs", 200},
                                      {"LOG", "LOG.GEO", "Log.Qfs", 201},
                                      {"SMPL", "smpl.GEO", "SMPL.QFS", 202}};
  for (const ArchivedCar& car : cars) {
    const std::string work = dir.file(car.name);
    fs::create_directories(work);
    run(TROMVEX_VIV_EXE,
        {"tromvex-viv", "extract", game + "/GameData/CARDATA.VIV", car.member, "-C", work}, 0);
    convert_with_tromvex(work + "/" + car.member, game + "/GameData/CarModel/PC/" + car.texture,
                         work + "/tromvex");
    const Bytes tromvex_fce = read_file(work + "/tromvex/car.fce");
    const Bytes tromvex_tga = read_file(work + "/tromvex/car00.tga");

    for (const bool exact : {false, true}) {
      const std::string back = work + (exact ? "/exact" : "/finished");
      fs::create_directories(back);
      const std::string car_viv = dir.file((exact ? "exact/" : "out/") + car.name + "/car.viv");
      run(TROMVEX_VIV_EXE, {"tromvex-viv", "extract", car_viv, "-C", back}, 0);
      EXPECT_EQ(read_file(back + "/car.fce"),
                exact ? tromvex_fce : finish_fce_image(tromvex_fce).image);
      EXPECT_EQ(read_file(back + "/car00.tga"), tromvex_tga);
      // The serial numbers follow name order among the cars ported.
      const Bytes carp = read_file(back + "/carp.txt");
      const std::string text(carp.begin(), carp.end());
      EXPECT_TRUE(text.starts_with("Serial Number(0)\r\n" + std::to_string(car.serial) +
                                   "\r\nClass(1)\r\n"))
          << text;
      for (const VivMember& member : donor_members) {
        if (member.name == "car.fce" || member.name == "car00.tga" || member.name == "carp.txt")
          continue;
        EXPECT_EQ(read_file(back + "/" + member.name),
                  Bytes(member.bytes.begin(), member.bytes.end()));
      }
    }
  }
  EXPECT_FALSE(fs::exists(dir.file("out/CRATE")));
  EXPECT_FALSE(fs::exists(dir.file("out/WRECK")));
}

}  // namespace
}  // namespace tromvex
