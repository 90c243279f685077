// Tests of the bundled sample installs: the committed folders are what the generator makes,
// and they hold what the README says of them.
#include "tools/sample_installs.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "port/physics_record.hpp"
#include "support/temp_dir.hpp"
#include "tools/physics_record_file.hpp"
#include "viv/viv.hpp"

namespace tromvex {
namespace {

namespace fs = std::filesystem;

const std::string kExamplesDir = TROMVEX_EXAMPLES_DIR;

std::map<std::string, Bytes> committed_files(const std::string& install) {
  std::map<std::string, Bytes> files;
  const fs::path root = fs::path(kExamplesDir) / install;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), root).generic_string()] =
          test::read_file(entry.path().string());
    }
  }
  return files;
}

std::map<std::string, Bytes> generated_files(const std::vector<InstallFile>& install) {
  std::map<std::string, Bytes> files;
  for (const InstallFile& file : install) files[file.path] = file.bytes;
  return files;
}

TEST(SampleInstalls, CommittedFoldersAreWhatTheGeneratorMakes) {
  // After a change to the generator or the sample car: make_sample_installs examples
  EXPECT_EQ(committed_files("nfs2se"), generated_files(make_sample_nfs2se_install()));
  EXPECT_EQ(committed_files("nfs2"), generated_files(make_sample_nfs2_install()));
}

TEST(SampleInstalls, TheCarDataArchiveHoldsEveryCaseThePortMeets) {
  const auto files = generated_files(make_sample_nfs2se_install());
  const Bytes& archive = files.at("GameData/CARDATA.VIV");
  const std::vector<VivMember> members = read_viv_directory(archive);
  std::set<std::string> geo_names;
  std::size_t geo_members = 0;
  for (const VivMember& member : members) {
    const std::string folded = folded_member_name(member.name);
    if (!folded.ends_with(".GEO")) continue;
    ++geo_members;
    geo_names.insert(folded.substr(0, folded.size() - 4));
  }
  EXPECT_EQ(geo_members, 6u);  // one name twice
  EXPECT_EQ(geo_names, (std::set<std::string>{"BLOX", "CRATE", "LOG", "SMPL", "WRECK"}));
  std::set<std::string> textures;
  for (const auto& [path, bytes] : files) {
    const std::string name = folded_member_name(fs::path(path).filename().string());
    if (name.ends_with(".QFS")) textures.insert(name.substr(0, name.size() - 4));
  }
  EXPECT_EQ(textures, (std::set<std::string>{"BLOX", "LOG", "SMPL", "WRECK"}));  // no CRATE
  // Names in other case than their texture files'.
  EXPECT_TRUE(files.contains("GameData/CarModel/PC/blox.qfs"));
  EXPECT_TRUE(find_viv_member(members, "BLOX.GEO").has_value());
  EXPECT_EQ(members[*find_viv_member(members, "blox.geo")].name, "Blox.geo");
  // The sample car's made-up performance record, named in another case than its GEO member.
  const VivMember& record = members[find_viv_member(members, "psmpl.dat").value()];
  EXPECT_EQ(record.name, "pSMPL.dat");
  EXPECT_EQ(read_physics_record(record.bytes), made_up_physics_record());
}

}  // namespace
}  // namespace tromvex
