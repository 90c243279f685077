// Tests of the port's plan: GEO files paired with texture files by name without regard to case,
// competing files decided or refused, and names that cannot name a car folder refused.
#include "port/port_plan.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tromvex {
namespace {

GeoSource loose(const std::string& folder, const std::string& name) {
  return {{folder, name}, std::nullopt, "", 0};
}

GeoSource member(const std::string& archive_folder, std::size_t index, const std::string& name,
                 std::size_t archive = 0) {
  return {{archive_folder, "CARDATA.VIV"}, index, name, archive};
}

// The plan's cars as "NAME <- geo + texture" or "NAME: why not", in its order.
std::vector<std::string> outline(const PortPlan& plan) {
  std::vector<std::string> lines;
  for (const PlannedCar& car : plan.cars) {
    lines.push_back(car.skip ? car.name + ": " + *car.skip
                             : car.name + " <- " + describe_geo(car.geo) + " + " +
                                   relative_path(*car.texture));
  }
  return lines;
}

TEST(PlanPort, PairsNamesWithoutRegardToCaseInNameOrder) {
  const std::vector<GeoSource> geos{member("GameData", 3, "IDGO.geo"),
                                    loose("GAMEDATA/CARMODEL/PC", "cala.GEO"),
                                    member("GameData", 1, "bmw.GeO")};
  const std::vector<FoundFile> textures{{"GameData/CarModel/PC", "idgo.FSH"},
                                        {"GAMEDATA/CARMODEL/PC", "CALA.qfs"},
                                        {"GameData/CarModel/PC", "Bmw.Qfs"},
                                        {"GameData/CarModel/PC", "bmw.txt"}};
  const PortPlan plan = plan_port(geos, textures, {});
  EXPECT_EQ(outline(plan),
            (std::vector<std::string>{
                "BMW <- GameData/CARDATA.VIV member bmw.GeO + GameData/CarModel/PC/Bmw.Qfs",
                "CALA <- GAMEDATA/CARMODEL/PC/cala.GEO + GAMEDATA/CARMODEL/PC/CALA.qfs",
                "IDGO <- GameData/CARDATA.VIV member IDGO.geo + GameData/CarModel/PC/idgo.FSH"}));
  EXPECT_TRUE(plan.refusals.empty());
  EXPECT_TRUE(plan.unknown.empty());
}

TEST(PlanPort, DecidesCompetingFilesOrSkipsTheCar) {
  struct Case {
    std::string what;
    std::vector<GeoSource> geos;
    std::vector<FoundFile> textures;
    std::string outline;
    std::vector<std::string> notes;
  };
  const std::vector<Case> cases{
      {"no texture file",
       {loose("PC", "log.geo")},
       {{"PC", "logs.qfs"}, {"PC", "log.tga"}},
       "LOG: no texture file (LOG.QFS or LOG.FSH) under the game folder",
       {}},
      {"a loose car takes the texture in its own folder",
       {loose("A/CarModel/PC", "f1.geo")},
       {{"B/CARMODEL", "F1.QFS"}, {"A/CarModel/PC", "f1.fsh"}, {"", "F1.qfs"}},
       "F1 <- A/CarModel/PC/f1.geo + A/CarModel/PC/f1.fsh",
       {"for F1, took A/CarModel/PC/f1.fsh (in the GEO file's folder) over B/CARMODEL/F1.QFS "
        "and F1.qfs"}},
      {"the car's own folder goes before CARMODEL",
       {loose("Cars", "f1.geo")},
       {{"GAMEDATA/CARMODEL/PC", "F1.QFS"}, {"Cars", "f1.qfs"}},
       "F1 <- Cars/f1.geo + Cars/f1.qfs",
       {"for F1, took Cars/f1.qfs (in the GEO file's folder) over GAMEDATA/CARMODEL/PC/F1.QFS"}},
      {"a loose car without a texture beside it takes the one under CARMODEL",
       {loose("Loose", "f1.geo")},
       {{"Other", "F1.QFS"}, {"GameData/carmodel/PC", "f1.qfs"}},
       "F1 <- Loose/f1.geo + GameData/carmodel/PC/f1.qfs",
       {"for F1, took GameData/carmodel/PC/f1.qfs (under CARMODEL) over Other/F1.QFS"}},
      {"an archived car takes the texture under CARMODEL",
       {member("GAMEDATA", 0, "mcf1.geo")},
       {{"GAMEDATA", "MCF1.QFS"}, {"GAMEDATA/CARMODEL/PC", "mcf1.qfs"}},
       "MCF1 <- GAMEDATA/CARDATA.VIV member mcf1.geo + GAMEDATA/CARMODEL/PC/mcf1.qfs",
       {"for MCF1, took GAMEDATA/CARMODEL/PC/mcf1.qfs (under CARMODEL) over GAMEDATA/MCF1.QFS"}},
      {"two textures under CARMODEL stay ambiguous",
       {member("GAMEDATA", 0, "mcf1.geo")},
       {{"GAMEDATA/CARMODEL/PC", "mcf1.qfs"}, {"GAMEDATA/CARMODEL/PSX", "MCF1.QFS"}},
       "MCF1: ambiguous name: 2 texture files, GAMEDATA/CARMODEL/PC/mcf1.qfs and "
       "GAMEDATA/CARMODEL/PSX/MCF1.QFS",
       {}},
      {"a QFS and an FSH file beside the car are ambiguous",
       {loose("PC", "f1.geo")},
       {{"PC", "F1.QFS"}, {"PC", "F1.FSH"}},
       "F1: ambiguous name: 2 texture files, PC/F1.QFS and PC/F1.FSH",
       {}},
      {"a loose GEO under CARMODEL over an archived one",
       {member("GameData", 4, "f1.GEO"), loose("GameData/CarModel/PC", "F1.geo")},
       {{"GameData/CarModel/PC", "F1.QFS"}},
       "F1 <- GameData/CarModel/PC/F1.geo + GameData/CarModel/PC/F1.QFS",
       {"for F1, took GameData/CarModel/PC/F1.geo (under CARMODEL) over GameData/CARDATA.VIV "
        "member f1.GEO"}},
      {"two archives outside CARMODEL holding the name",
       {member("GameData", 4, "f1.geo", 0), member("Backup", 2, "F1.GEO", 1)},
       {{"GameData/CarModel/PC", "F1.QFS"}},
       "F1: ambiguous name: 2 GEO files, GameData/CARDATA.VIV member f1.geo and "
       "Backup/CARDATA.VIV member F1.GEO",
       {}},
  };
  for (const Case& c : cases) {
    const PortPlan plan = plan_port(c.geos, c.textures, {});
    ASSERT_EQ(plan.cars.size(), 1u) << c.what;
    EXPECT_EQ(outline(plan), std::vector<std::string>{c.outline}) << c.what;
    EXPECT_EQ(plan.cars[0].notes, c.notes) << c.what;
    EXPECT_EQ(plan.cars[0].texture.has_value(), !plan.cars[0].skip) << c.what;
  }
}

TEST(PlanPort, TakesOnlyTheNamedCarsAndNamesTheUnknownOnes) {
  const std::vector<GeoSource> geos{loose("PC", "a.geo"), loose("PC", "B.geo"),
                                    loose("PC", "c.geo")};
  const std::vector<FoundFile> textures{{"PC", "a.qfs"}, {"PC", "b.qfs"}, {"PC", "c.qfs"}};
  const std::vector<std::string> only{"c", "Zed", "b"};
  const PortPlan plan = plan_port(geos, textures, only);
  ASSERT_EQ(plan.cars.size(), 2u);
  EXPECT_EQ(plan.cars[0].name, "B");
  EXPECT_EQ(plan.cars[1].name, "C");
  EXPECT_EQ(plan.unknown, std::vector<std::string>{"Zed"});
}

TEST(PlanPort, RefusesLooseNamesThatCannotNameACarFolder) {
  const std::vector<GeoSource> geos{loose("PC", "con.geo"), loose("PC", ".geo"),
                                    loose("PC", "a\\b.geo"), loose("PC", "ok.geo")};
  const std::vector<FoundFile> textures{{"PC", "ok.qfs"}, {"PC", "con.qfs"}};
  const PortPlan plan = plan_port(geos, textures, {});
  ASSERT_EQ(plan.cars.size(), 1u);
  EXPECT_EQ(plan.cars[0].name, "OK");
  std::vector<std::string> refused;
  for (const std::string name : {"con", "", "a\\b"})
    refused.push_back("Refused PC/" + name +
                      ".geo: its name without .GEO cannot name a car folder");
  EXPECT_EQ(plan.refusals, refused);
}

TEST(FindArchiveGeos, TakesTheFirstOfANameAndRefusesUnsafeNames) {
  const Bytes data{1, 2, 3};
  std::vector<VivMember> members;
  // ".geo" and "x..geo" are plain file names, but not as car folders: "" and "X.".
  for (const char* name : {"smpl.GEO", "readme.txt", "../evil.geo", "SMPL.geo", "nul.GEO",
                           "log.geox", "Log.Geo", "dir\\x.geo", ".geo", "x..geo"}) {
    members.push_back({name, 0, data});
  }
  const FoundFile archive{"GameData", "CarData.viv"};
  const ArchiveGeos found = find_archive_geos(archive, 2, members);
  ASSERT_EQ(found.geos.size(), 2u);
  EXPECT_EQ(describe_geo(found.geos[0]), "GameData/CarData.viv member smpl.GEO");
  EXPECT_EQ(found.geos[0].member, 0u);
  EXPECT_EQ(found.geos[0].archive, 2u);
  EXPECT_EQ(found.geos[1].member_name, "Log.Geo");
  EXPECT_EQ(found.geos[1].member, 6u);
  EXPECT_EQ(found.warnings,
            std::vector<std::string>{"Warning: GameData/CarData.viv member 3 ('SMPL.geo') has the "
                                     "name of member 0; member 0 is ported"});
  std::vector<std::string> refused;
  for (const std::string member : {"2 ('../evil.geo')", "4 ('nul.GEO')", "7 ('dir\\x5Cx.geo')",
                                   "8 ('.geo')", "9 ('x..geo')"}) {
    refused.push_back("Refused GameData/CarData.viv member " + member +
                      ": its name is not a plain file name");
  }
  EXPECT_EQ(found.refusals, refused);
}

}  // namespace
}  // namespace tromvex
