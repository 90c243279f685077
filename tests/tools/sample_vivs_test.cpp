// Tests of the bundled sample VIV archives: the committed files are what the generator makes,
// and the README's way from the car-data archive to a car.viv works on them with the real
// programs.
#include "tools/sample_vivs.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "support/subprocess.hpp"
#include "support/temp_dir.hpp"
#include "tools/sample_car.hpp"
#include "viv/viv.hpp"

namespace tromvex {
namespace {

using test::read_file;
using test::run_process;

const std::string kExamplesDir = TROMVEX_EXAMPLES_DIR;

Bytes bytes_of(const VivMember& member) { return Bytes(member.bytes.begin(), member.bytes.end()); }

TEST(SampleVivs, CommittedArchivesAreWhatTheGeneratorMakes) {
  // After a change to the generator or the sample car:
  // make_sample_vivs examples/sample_cardata.viv examples/donor_car.viv
  EXPECT_EQ(read_file(kExamplesDir + "/sample_cardata.viv"), make_sample_cardata_viv());
  EXPECT_EQ(read_file(kExamplesDir + "/donor_car.viv"), make_donor_car_viv());
}

TEST(SampleVivs, CarDataArchiveHoldsTheSampleCarAmongOtherMembers) {
  const Bytes archive = make_sample_cardata_viv();
  const std::vector<VivMember> members = read_viv_directory(archive);
  const auto geo = find_viv_member(members, "SMPL.geo");
  ASSERT_TRUE(geo.has_value());
  EXPECT_EQ(bytes_of(members[*geo]), make_sample_geo());
  bool twice = false, empty = false;
  for (std::size_t i = 0; i < members.size(); ++i) {
    twice = twice || *find_viv_member(members, members[i].name) != i;
    empty = empty || members[i].bytes.empty();
  }
  EXPECT_TRUE(twice);
  EXPECT_TRUE(empty);
}

// The README's five commands: extract the GEO file, convert, finish, copy the donor, put the car
// in.
TEST(SampleVivs, TheWayFromTheCarDataArchiveToACarViv) {
  test::TempDir dir;
  const auto run = [](const std::string& program, const std::vector<std::string>& args) {
    const auto result = run_process(program, args);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_status, 0) << result.output;  // tromvex: the key code, 0 with no console
    return result;
  };
  run(TROMVEX_VIV_EXE, {"tromvex-viv", "extract", kExamplesDir + "/sample_cardata.viv", "smpl.geo",
                        "-C", dir.file("")});
  run(TROMVEX_EXE, {"tromvex", dir.file("smpl.GEO"), kExamplesDir + "/sample.qfs",
                    dir.file("car.fce"), dir.file("car00.tga")});
  run(TROMVEX_FINISH_EXE, {"tromvex-finish", dir.file("car.fce"), dir.file("car.fce")});
  std::filesystem::copy_file(kExamplesDir + "/donor_car.viv", dir.file("car.viv"));
  run(TROMVEX_VIV_EXE,
      {"tromvex-viv", "put", dir.file("car.viv"), dir.file("car.fce"), dir.file("car00.tga")});

  const Bytes car_viv = read_file(dir.file("car.viv"));
  const std::vector<VivMember> members = read_viv_directory(car_viv);
  const Bytes donor = make_donor_car_viv();
  const std::vector<VivMember> donor_members = read_viv_directory(donor);
  ASSERT_EQ(members.size(), donor_members.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    EXPECT_EQ(members[i].name, donor_members[i].name);
    if (members[i].name == "car.fce" || members[i].name == "car00.tga") {
      EXPECT_EQ(bytes_of(members[i]), read_file(dir.file(members[i].name)));
    } else {
      EXPECT_EQ(bytes_of(members[i]), bytes_of(donor_members[i]));
    }
  }
}

}  // namespace
}  // namespace tromvex
