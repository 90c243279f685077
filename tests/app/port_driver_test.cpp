// Tests of tromvex-port's driver, run in-process on installs written into a temporary folder:
// its transcripts, statuses, and the car folders it writes or refuses to write.
#include "app/port_driver.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "mesh/fce_finish.hpp"
#include "pipeline/convert.hpp"
#include "port/carp.hpp"
#include "support/recording_console.hpp"
#ifndef _WIN32
#include "support/child_process.hpp"
#endif
#include "support/temp_dir.hpp"
#include "support/viv_builder.hpp"
#include "tools/car_files.hpp"
#include "tools/physics_record_file.hpp"
#include "tools/qfs_compress.hpp"
#include "tools/sample_car.hpp"
#include "tools/sample_installs.hpp"
#include "tools/sample_vivs.hpp"
#include "viv/viv.hpp"

namespace tromvex {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::RecordingConsole;
using test::TempDir;
using test::write_file;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string kUsage =
    "Usage: tromvex-port GAME_FOLDER [OUT_FOLDER] [--donor CAR.VIV] [--serial N]\n"
    "                    [--only NAME...] [--exact] [--force] [--jobs N] [--physics]\n"
    "       tromvex-port GAME_FOLDER --show-physics NAME [--donor CAR.VIV]\n";

struct Outcome {
  int status;
  std::string transcript;  // standard output
  std::string errors;      // standard error
};

Outcome port(std::vector<std::string> args, const PortSession& session = {}) {
  args.insert(args.begin(), "tromvex-port");
  RecordingConsole console(session.pause_at_end ? RecordingConsole::Pauses::allowed
                                                : RecordingConsole::Pauses::forbidden);
  const int status = run_port(args, console, session);
  return {status, console.transcript, console.errors};
}

void write_install(const fs::path& folder, const std::vector<InstallFile>& files) {
  for (const InstallFile& file : files) {
    fs::create_directories((folder / file.path).parent_path());
    write_file((folder / file.path).string(), file.bytes);
  }
}

// Every file under folder, by its path inside it, with its bytes.
std::map<std::string, Bytes> files_under(const fs::path& folder) {
  std::map<std::string, Bytes> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), folder).generic_string()] = read_file(entry.path().string());
  }
  return files;
}

Bytes bytes_of(const VivMember& member) { return Bytes(member.bytes.begin(), member.bytes.end()); }

// What tromvex and the finishing step make of a car, worked out without the port.
struct Reference {
  Bytes fce;
  Bytes tga;
  std::size_t triangles;
};

Reference reference(const Bytes& geo, const Bytes& texture, bool exact = false) {
  ConversionEvents quiet;
  CarImages images = convert_car(geo, texture, quiet);
  const Bytes fce = exact ? images.fce_image : finish_fce_image(images.fce_image).image;
  return {fce, images.tga_image, read_u32_le(images.fce_image.data() + 4)};
}

// text with every from replaced by to.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

std::string size_of(const fs::path& file) {
  std::string digits = std::to_string(fs::file_size(file));
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
  return digits + " bytes";
}

class PortDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    write_file(dir.file("donor.viv"), make_donor_car_viv());
    fs::create_directory(dir.file("game"));
  }
  std::string game() const { return dir.file("game"); }
  std::string out() const { return dir.file("out"); }
  std::string donor() const { return dir.file("donor.viv"); }

  TempDir dir;
};

TEST_F(PortDriver, PortsTheSampleNfs2seInstallIntoCopiesOfTheDonor) {
  write_install(game(), make_sample_nfs2se_install());
  const Outcome outcome = port({game(), out(), "--donor", donor()});

  // The cars' bytes are checked against tromvex's in port_end_to_end_test; here, the lines.
  EXPECT_EQ(files_under(out()).size(), 3u);  // nothing of the others, nothing staged
  // A box has five faces, two triangles each, in each of the four bodies.
  const Reference car = reference(make_sample_geo(), make_sample_qfs());
  const std::string wreck_failure =
      "Could not read GameData/CARDATA.VIV member Wreck.geo: part 6 of the GEO file ends past "
      "its end";
  const std::string crate_skip = "no texture file (CRATE.QFS or CRATE.FSH) under the game folder";
  EXPECT_EQ(outcome.transcript,
            "Porting the cars under " + game() + " into " + out() + ", each into a copy of " +
                donor() +
                "\n"
                "Warning: GameData/CARDATA.VIV member 7 ('SMPL.geo') has the name of member 1; "
                "member 1 is ported\n"
                "[1/5] BLOX   car.viv " +
                size_of(out() + "/BLOX/car.viv") +
                " (12 parts, 40 triangles, finished, serial 200)\n"
                "[2/5] CRATE  skipped: " +
                crate_skip + "\n[3/5] LOG    car.viv " + size_of(out() + "/LOG/car.viv") +
                " (12 parts, 40 triangles, finished, serial 201)\n"
                "[4/5] SMPL   car.viv " +
                size_of(out() + "/SMPL/car.viv") + " (12 parts, " + std::to_string(car.triangles) +
                " triangles, finished, serial 202)\n" + "[5/5] WRECK  " + wreck_failure +
                "\nPorted 3 of 5 cars into " + out() +
                ", serial numbers 200 to 202.\n"
                "Not ported: 2\n"
                "  CRATE  " +
                crate_skip + "\n  WRECK  " + wreck_failure + "\n");
  EXPECT_EQ(outcome.status, 1);
}

TEST_F(PortDriver, PortsLooseCarsExactlyWithoutADonor) {
  write_install(game(), make_sample_nfs2_install());
  const Outcome outcome = port({game(), out(), "--exact", "--jobs", "2"});
  EXPECT_EQ(outcome.status, 0) << outcome.transcript;
  const std::string pc = game() + "/GAMEDATA/CARMODEL/PC/";
  const std::map<std::string, Reference> cars{
      {"BLOX", reference(read_file(pc + "Blox.GEO"), read_file(pc + "BLOX.FSH"), true)},
      {"LOG", reference(read_file(pc + "log.geo"), read_file(pc + "Log.qfs"), true)},
      {"SMPL", reference(read_file(pc + "smpl.geo"), read_file(pc + "SMPL.QFS"), true)}};
  std::map<std::string, Bytes> expected;
  for (const auto& [name, car] : cars) {
    expected[name + "/car.fce"] = car.fce;
    expected[name + "/car00.tga"] = car.tga;
  }
  EXPECT_EQ(files_under(out()), expected);
  EXPECT_THAT(outcome.transcript,
              HasSubstr("[3/3] SMPL  car.fce " + size_of(out() + "/SMPL/car.fce") +
                        ", car00.tga 262,162 bytes (12 parts, " +
                        std::to_string(cars.at("SMPL").triangles) + " triangles, exact)\n"));
  EXPECT_THAT(outcome.transcript, EndsWith("Ported 3 of 3 cars into " + out() + ".\n"));
}

// A made-up install of many cars: props of assorted sizes, one with a cut-short texture file,
// one whose GEO file has no parts, in an archive and loose.
std::vector<InstallFile> many_cars() {
  std::vector<InstallFile> files;
  std::vector<VivMember> members;
  std::vector<Bytes> geos;
  for (int i = 0; i < 12; ++i) geos.push_back(make_sample_prop_geo(10 + i, 20 + 3 * i, 30, "wood"));
  geos.push_back(Bytes(100, 0));
  for (std::size_t i = 0; i < geos.size(); ++i) {
    const std::string name = "car" + std::to_string(i);
    members.push_back({name + ".geo", 0, geos[i]});
    Bytes texture =
        qfs_compress(make_sample_prop_archive("wood", i % 2 ? PropLook::planks : PropLook::bark));
    if (i == 5) texture.resize(30);
    files.push_back({"DATA/CARMODEL/" + name + ".QFS", texture});
  }
  files.push_back({"DATA/cardata.viv", build_viv_archive(members)});
  files.push_back({"DATA/CARMODEL/loose.GEO", make_sample_geo()});
  files.push_back({"DATA/CARMODEL/LOOSE.qfs", make_sample_qfs()});
  return files;
}

TEST_F(PortDriver, GivesTheSameLinesAndBytesForEveryNumberOfJobs) {
  write_install(game(), many_cars());
  std::vector<Outcome> outcomes;
  std::vector<std::map<std::string, Bytes>> written;
  for (const std::string jobs : {"1", "4", "3"}) {
    const std::string out_folder = dir.file("out" + jobs);
    Outcome outcome = port({game(), out_folder, "--donor", donor(), "--jobs", jobs});
    outcome.transcript = replaced(outcome.transcript, "out" + jobs, "OUT");
    outcomes.push_back(outcome);
    written.push_back(files_under(out_folder));
  }
  EXPECT_EQ(outcomes[0].status, 1);
  EXPECT_EQ(written[0].size(), 12u);  // 14 cars, less the cut-short texture and the empty GEO
  // Serial numbers follow name order (CAR0, CAR1, CAR10, CAR11, CAR12, CAR2 ...) among the
  // cars converted: CAR12 and CAR5 fail, so CAR2 takes 204 and CAR6 207.
  EXPECT_THAT(outcomes[0].transcript, HasSubstr("serial 203)\n[ 5/14] CAR12  Could not read"));
  EXPECT_THAT(outcomes[0].transcript, HasSubstr("serial 204)\n[ 7/14] CAR3 "));
  EXPECT_THAT(
      outcomes[0].transcript,
      HasSubstr("[10/14] CAR6   car.viv 281,012 bytes (12 parts, 40 triangles, finished, serial "
                "207)\n"));
  for (std::size_t i = 1; i < outcomes.size(); ++i) {
    EXPECT_EQ(outcomes[i].transcript, outcomes[0].transcript);
    EXPECT_EQ(outcomes[i].status, outcomes[0].status);
    EXPECT_EQ(written[i], written[0]);
  }
}

TEST_F(PortDriver, NeverWritesIntoAnExistingCarFolderWithoutForce) {
  write_install(game(), make_sample_nfs2_install());
  fs::create_directories(out() + "/LOG");
  write_file(out() + "/LOG/car.fce", {1, 2, 3});
  write_file(out() + "/LOG/mine.txt", {4});

  const Outcome refused = port({game(), out(), "--only", "log"});
  EXPECT_EQ(refused.status, 1);
  const std::string skip = "its folder " + out() + "/LOG exists (--force writes into it)";
  EXPECT_EQ(refused.transcript, "Porting the cars under " + game() + " into " + out() +
                                    "\n[1/1] LOG  skipped: " + skip + "\nPorted 0 of 1 car into " +
                                    out() + ".\nNot ported: 1\n  LOG  " + skip + "\n");
  EXPECT_EQ(read_file(out() + "/LOG/car.fce"), (Bytes{1, 2, 3}));

  const Outcome forced = port({game(), out(), "--only", "LOG", "--force"});
  EXPECT_EQ(forced.status, 0) << forced.transcript;
  const std::string pc = game() + "/GAMEDATA/CARMODEL/PC/";
  EXPECT_EQ(read_file(out() + "/LOG/car.fce"),
            reference(read_file(pc + "log.geo"), read_file(pc + "Log.qfs")).fce);
  EXPECT_EQ(read_file(out() + "/LOG/mine.txt"), Bytes{4});  // files of other names stay
  EXPECT_EQ(files_under(out()).size(), 3u);

  // A file where the car folder belongs is never replaced.
  write_file(out() + "/SMPL", {5});
  const Outcome blocked = port({game(), out(), "--only", "smpl", "--force"});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_THAT(blocked.transcript, HasSubstr("[1/1] SMPL  Could not write " + out() +
                                            "/SMPL: a file of that name stands there\n"));
  EXPECT_EQ(read_file(out() + "/SMPL"), Bytes{5});
}

// A donor that is the car.viv a car would be written to is refused before anything is written.
TEST_F(PortDriver, RefusesToWriteOverItsDonor) {
  write_install(game(), make_sample_nfs2_install());
  fs::create_directories(out() + "/SMPL");
  const Bytes donor_bytes = read_file(donor());
  write_file(out() + "/SMPL/car.viv", donor_bytes);
  const std::string in_place = out() + "/./SMPL/car.viv";
  const Outcome outcome = port({game(), out(), "--donor", in_place, "--force"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.errors,
            "Could not write " + out() + "/SMPL/car.viv: it is one of the input files\n");
  EXPECT_EQ(files_under(out()), (std::map<std::string, Bytes>{{"SMPL/car.viv", donor_bytes}}));
}

// (No file named CON can be made on Windows; the member is refused before any file is sought.)
TEST_F(PortDriver, RefusesHostileMemberNamesAndPortsTheRest) {
  const Bytes geo = make_sample_prop_geo(30, 30, 30, "wood");
  write_install(game(),
                {{"CARDATA.VIV",
                  test::viv_archive({{"../EVIL.geo", geo}, {"CON.GEO", geo}, {"good.geo", geo}})},
                 {"EVIL.QFS", make_sample_prop_archive("wood", PropLook::bark)},
                 {"GOOD.QFS", make_sample_prop_archive("wood", PropLook::bark)}});
  const Outcome outcome = port({game(), out()});
  EXPECT_EQ(outcome.status, 1);
  const std::string evil =
      "Refused CARDATA.VIV member 0 ('../EVIL.geo'): its name is not a plain file name";
  const std::string con =
      "Refused CARDATA.VIV member 1 ('CON.GEO'): its name is not a plain file name";
  EXPECT_THAT(outcome.transcript, StartsWith("Porting the cars under " + game() + " into " + out() +
                                             "\n" + evil + "\n" + con + "\n[1/1] GOOD  "));
  EXPECT_THAT(outcome.transcript, EndsWith("Not ported: 2\n  " + evil + "\n  " + con + "\n"));
  EXPECT_EQ(files_under(dir.path()).size(), 6u);  // donor, install, and GOOD's two files
  EXPECT_EQ(files_under(out()).size(), 2u);
}

TEST_F(PortDriver, RefusesSerialNumbersPastTheGamesByteBeforeWritingAnything) {
  write_install(game(), make_sample_nfs2_install());
  const Outcome outcome = port({game(), out(), "--donor", donor(), "--serial", "254"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_THAT(
      outcome.errors,
      EndsWith(
          "Could not port the cars: the 3 cars would take the serial numbers 254 to 256, past 255, "
          "the highest the game keeps; give --serial 253 or lower, or fewer cars with --only\n"));
  EXPECT_FALSE(fs::exists(out()));

  const Outcome fits = port({game(), out(), "--donor", donor(), "--serial", "253", "--jobs", "64"});
  EXPECT_EQ(fits.status, 0) << fits.transcript;
  EXPECT_THAT(fits.transcript, EndsWith(", serial numbers 253 to 255.\n"));
}

TEST_F(PortDriver, WrongArgumentsGiveTheUsageAndStatusTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string problem;
  };
  const std::vector<Case> cases{
      {{}, ""},
      {{"a", "b", "c"}, "give the game folder and the out folder, no more names\n"},
      {{"a", "--serial", "3"}, "--serial numbers the cars in the donor's carp.txt: give --donor\n"},
      {{"a", "--donor", "d", "--serial", "256"}, "--serial takes a number from 0 to 255\n"},
      {{"a", "--donor", "d", "--serial", "-1"}, "--serial takes a number from 0 to 255\n"},
      {{"a", "--jobs", "0"}, "--jobs takes a number from 1 to 64\n"},
      {{"a", "--jobs", "2x"}, "--jobs takes a number from 1 to 64\n"},
      {{"a", "--donor"}, "--donor needs a value\n"},
      {{"a", "--donor", "d", "--donor", "e"}, "--donor is given twice\n"},
      {{"a", "--only"}, "--only needs the names of the cars\n"},
      {{"a", "--only", "--exact"}, "--only needs the names of the cars\n"},
      {{"a", "--quick"}, "there is no option --quick\n"},
      {{"a", "--physics"},
       "--physics writes each car's physics into the donor's carp.txt: give --donor\n"},
      {{"a", "--show-physics"}, "--show-physics needs a value\n"},
      {{"a", "b", "--show-physics", "x"},
       "--show-physics writes nothing: give it the game folder and --donor only\n"},
      {{"a", "--show-physics", "x", "--donor", "d", "--physics"},
       "--show-physics writes nothing: give it the game folder and --donor only\n"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = port(c.args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.errors, c.problem + kUsage);
    EXPECT_EQ(outcome.transcript, "");
  }
}

TEST_F(PortDriver, WaitsForAKeyOnlyInItsOwnWindow) {
  const Outcome own = port({}, {false, true});
  EXPECT_EQ(own.status, 2);
  EXPECT_EQ(own.errors, kUsage);
  EXPECT_EQ(own.transcript, "\nPress any key to close this window...<pause>");
  write_install(game(), make_sample_nfs2_install());
  const Outcome dropped = port({game() + "/"}, {false, true});
  EXPECT_EQ(dropped.status, 0);
  EXPECT_THAT(dropped.transcript, EndsWith(".\n\nPress any key to close this window...<pause>"));
  // Without OUT_FOLDER, the cars go beside the game folder, even named with a separator.
  EXPECT_EQ(files_under(dir.file("NFS3 cars")).size(), 6u);
  EXPECT_EQ(port({game(), out()}).status, 0);  // and a prompt never waits
}

TEST_F(PortDriver, ShowsAProgressCountThatEachLineReplaces) {
  write_install(game(), many_cars());
  const Outcome plain = port({game(), out(), "--jobs", "2"});
  fs::remove_all(out());
  const Outcome counted = port({game(), out(), "--jobs", "2"}, {true, false});
  // Each count is "\r" and the count; before a line, "\r", spaces and "\r" wipe it.
  std::string without_counts = counted.transcript;
  for (int done = 0; done <= 14; ++done) {
    without_counts =
        replaced(without_counts, "\r  " + std::to_string(done) + " of 14 cars done", "");
  }
  for (std::size_t width = 30; width > 0; --width) {
    // Built piece by piece: GCC 12 warns falsely of overlapping copies in "\r" + string.
    std::string wipe = "\r";
    wipe.append(width, ' ');
    without_counts = replaced(without_counts, wipe + "\r", "");
  }
  EXPECT_EQ(without_counts.find('\r'), std::string::npos) << counted.transcript;
  EXPECT_EQ(without_counts, plain.transcript);
}

TEST_F(PortDriver, SaysWhatItCannotReadOrFind) {
  const Outcome absent = port({dir.file("absent"), out()});
  EXPECT_EQ(absent.transcript,
            "Porting the cars under " + dir.file("absent") + " into " + out() + "\n");
  EXPECT_EQ(absent.errors,
            "Could not read " + dir.file("absent") + ": there is no folder of that name\n");
  const Outcome empty = port({game(), out()});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.errors,
            "No car found under " + game() + ": no GEO file, loose or in a CARDATA.VIV archive\n");
  write_install(game(), {{"GAMEDATA/CarData.Viv", Bytes{'B', 'I', 'G', 'F'}}});
  const Outcome broken = port({game(), out(), "--donor", dir.file("none.viv")});
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.errors,
            "Could not read " + dir.file("none.viv") + ": the file cannot be opened or read\n");
  const Outcome unreadable = port({game(), out(), "--only", "x"});
  EXPECT_THAT(
      unreadable.transcript,
      EndsWith(
          "Not ported: 2\n  Could not read GAMEDATA/CarData.Viv: the VIV archive is 4 bytes long, "
          "too short for its 16-byte header\n  No car named x under " +
          game() + "\n"));
  EXPECT_FALSE(fs::exists(out()));
}

TEST_F(PortDriver, SearchesABoundedDepthAndNoticesLinks) {
  std::string deep = "a/b/c/d/e/f/g/h";
  write_install(game(), {{deep + "/ok.geo", make_sample_geo()},
                         {deep + "/ok.qfs", make_sample_qfs()},
                         {deep + "/i/far.geo", make_sample_geo()},
                         {deep + "/i/far.qfs", make_sample_qfs()}});
  std::string expected_notes =
      "Note: 1 folders lie more than 8 folders down and were not "
      "searched, such as " +
      deep + "/i\n";
#ifndef _WIN32
  // A link out of the game folder is not followed, even to a car.
  write_install(dir.file("elsewhere"),
                {{"x.geo", make_sample_geo()}, {"x.qfs", make_sample_qfs()}});
  fs::create_directory_symlink(dir.file("elsewhere"), game() + "/a/outside");
  expected_notes =
      "Note: a/outside is a link; tromvex-port does not follow links\n" + expected_notes;
#endif
  const Outcome outcome = port({game(), out()});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_THAT(outcome.transcript, HasSubstr("\n" + expected_notes + "[1/1] OK  car.fce"));
}

// The carp.txt in a car.viv the port wrote, or in a donor's.
std::string carp_text_of(const Bytes& car_viv) {
  const std::vector<VivMember> members = read_viv_directory(car_viv);
  const Bytes carp = bytes_of(members.at(find_viv_member(members, "carp.txt").value()));
  return std::string(carp.begin(), carp.end());
}

Bytes text_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// The entries a car's own record replaces in the donor's carp.txt.
const std::set<std::uint32_t> kMappedIds{2,  3,  4,  7,  8,  9,  10, 13, 14, 15, 16, 18, 19,
                                         20, 21, 22, 23, 24, 25, 27, 28, 29, 30, 31, 32, 33,
                                         38, 39, 40, 41, 42, 43, 44, 75, 76, 77, 78, 79};

TEST_F(PortDriver, GivesEachCarWithARecordItsOwnPhysics) {
  write_install(game(), make_sample_nfs2se_install());
  const Outcome outcome = port({game(), out(), "--donor", donor(), "--physics"});
  EXPECT_EQ(outcome.status, 1);  // CRATE and WRECK, as without --physics
  for (const std::string line :
       {"40 triangles, finished, serial 200), physics: donor's (no pBlox.DAT)\n[2/5] CRATE",
        "serial 201), physics: donor's (no pLOG.DAT)\n[4/5] SMPL",  // the GEO members' case
        "serial 202), physics: pSMPL.dat\n[5/5] WRECK",
        "serial numbers 200 to 202.\nPhysics: 1 of 3 cars with its own performance record, 2 "
        "with the donor's.\nNot ported: 2\n"}) {
    EXPECT_THAT(outcome.transcript, HasSubstr(line));
  }
  // Without a record: the donor's carp.txt with the car's serial number, nothing else.
  const std::string donor_carp = carp_text_of(make_donor_car_viv());
  EXPECT_EQ(carp_text_of(read_file(out() + "/BLOX/car.viv")),
            replaced(donor_carp, "\r\n42\r\n", "\r\n200\r\n"));
  // With one, the mapped entries change (a few worked out here by hand) and no other byte
  // does. The gear ratios take the donor's final gear F = 3.7 and rear tyres 245/40 R17,
  // r = (17 * 25.4 + 2 * 245 * 40 / 100) / 2000 = 0.3139 m: |v2r| * 2 pi r / (60 F).
  const std::map<std::uint32_t, std::string> by_hand{
      {0, "202"},
      {2, "1250.500000"},
      {77, "2.221049,0.000000,2.132207,1.470335,1.068325,0.799578,0.000000,0.000000"},
      {79, "3.700000"}};
  const CarpFile before = read_carp(text_bytes(donor_carp));
  CarpFile after = read_carp(text_bytes(carp_text_of(read_file(out() + "/SMPL/car.viv"))));
  ASSERT_EQ(after.entries.size(), before.entries.size());
  for (std::size_t i = 0; i < after.entries.size(); ++i) {
    CarpEntry& entry = after.entries[i];
    if (by_hand.contains(entry.id)) {
      EXPECT_EQ(entry.value, by_hand.at(entry.id)) << entry.label;
    }
    if (entry.id == 0 || kMappedIds.contains(entry.id)) entry.value = before.entries[i].value;
  }
  EXPECT_EQ(write_carp(after), text_bytes(donor_carp));
}

// Each way a car can be without a usable record: it keeps the donor's physics, is ported, and
// its line says why.
TEST_F(PortDriver, SaysWhyACarKeepsTheDonorsPhysics) {
  PhysicsRecord light = made_up_physics_record();
  light.mass = 50;
  const Bytes record = write_physics_record(made_up_physics_record());
  const Bytes geo = make_sample_prop_geo(30, 30, 30, "wood");
  write_install(game(),
                {{"CARDATA.VIV",
                  test::viv_archive({{"light.GEO", geo},
                                     {"plight.DAT", write_physics_record(light)},
                                     {"short.geo", geo},
                                     {"pshort.dat", Bytes(record.begin(), record.end() - 1)}})},
                 {"CARS/loose.geo", geo},
                 {"CARS/ploose.dat", record}});
  for (const std::string name : {"LIGHT", "SHORT", "LOOSE"}) {
    write_file(game() + "/CARS/" + name + ".QFS", make_sample_prop_archive("wood", PropLook::bark));
  }
  const Outcome outcome = port({game(), out(), "--donor", donor(), "--physics"});
  EXPECT_EQ(outcome.status, 0);
  for (const std::string line :
       {"serial 200), physics: donor's (plight.DAT: the performance record's mass is 50.000000 "
        "kg; it must be 100 to 20000 kg)\n",
        "serial 201), physics: donor's (no performance record beside a loose GEO file)\n",
        "serial 202), physics: donor's (pshort.dat: the performance record is 355 bytes long; it "
        "must be 356)\n",
        "\nPhysics: 0 of 3 cars with their own performance records, 3 with the donor's.\n"}) {
    EXPECT_THAT(outcome.transcript, HasSubstr(line));
  }
  // --show-physics refuses the record as the port does.
  const Outcome shown = port({game(), "--show-physics", "light"});
  EXPECT_EQ(shown.status, 1);
  EXPECT_EQ(shown.errors,
            "Could not read CARDATA.VIV member plight.DAT: the performance record's mass is "
            "50.000000 kg; it must be 100 to 20000 kg\n");
}

// A donor whose carp.txt cannot give all the physics needs.
TEST_F(PortDriver, TellsWhatTheDonorsCarpTxtCannotGive) {
  write_install(game(), make_sample_nfs2se_install());
  const std::string carp = carp_text_of(make_donor_car_viv());
  // Ports SMPL with a donor of that carp.txt into folder; its lines and the car's carp.txt.
  const auto port_with = [&](const std::string& donor_carp, const std::string& folder) {
    write_file(donor(), test::viv_archive({{"carp.txt", text_bytes(donor_carp)}}));
    const Outcome outcome =
        port({game(), dir.file(folder), "--donor", donor(), "--physics", "--only", "smpl"});
    EXPECT_EQ(outcome.status, 0);
    return std::pair{outcome.transcript,
                     carp_text_of(read_file(dir.file(folder + "/SMPL/car.viv")))};
  };
  // Without the redline (13) and the rear tyres (36), which the gear ratios (8, 77) need.
  auto [lines, written] =
      port_with(replaced(replaced(carp, "Redline rpm(13)\r\n7000\r\n", ""),
                         "Rear tyres (width,aspect,rim)(36)\r\n245,40,17\r\n", ""),
                "lacking");
  EXPECT_THAT(
      lines,
      EndsWith(
          "What the donor's carp.txt could not give the physics:\n"
          "  (13) engine redline: not in the donor's carp.txt, so not written\n"
          "  (36) rear tyre: not in the donor's carp.txt; (8), (77) keep the donor's values\n"));
  EXPECT_THAT(written, HasSubstr("Gear ratios, manual(8)\r\n3.200000,0.000000,"));
  // Without the serial number: the physics all the same.
  std::tie(lines, written) = port_with(replaced(carp, "Serial Number(0)\r\n42\r\n", ""), "plain");
  EXPECT_THAT(lines,
              HasSubstr(".\nNo car gets a serial number of its own: the donor's carp.txt does not "
                        "begin with the serial number entry (id 0).\n"));
  EXPECT_THAT(written, StartsWith("Class(1)\r\n2\r\nMass(2)\r\n1250.500000\r\n"));
  // One that does not read is copied as it is, and the car's line and the summary say so.
  std::tie(lines, written) = port_with("Mass\r\n1\r\n", "kept");
  EXPECT_EQ(written, "Mass\r\n1\r\n");
  EXPECT_THAT(lines,
              HasSubstr("finished), physics: donor's (its carp.txt cannot be read)\nPorted 1 of 1 "
                        "car into " +
                        dir.file("kept") +
                        ".\nEvery car.viv holds the donor's "
                        "carp.txt as it is: the donor's carp.txt cannot be read: line 1"));
}

TEST_F(PortDriver, ShowsACarsRecordAndItsCarpTxtLinesWritingNothing) {
  write_install(game(), make_sample_nfs2se_install());
  write_install(game(), {{"CARMODEL/loose.geo", make_sample_geo()}});
  const auto before = files_under(dir.path());
  const Outcome shown = port({game(), "--show-physics", "smpl", "--donor", donor()});
  EXPECT_EQ(shown.status, 0);
  const std::string& t = shown.transcript;
  for (const std::string& part :
       {std::string(
            "ported\nPerformance record of SMPL, GameData/CARDATA.VIV member pSMPL.dat:\n  mass: "
            "1250.500000 kg\n"),
        "\n  high turn factor: 0.031250\nThe lines --physics writes of it into the carp.txt of " +
            donor() + ":\n  (2) mass: 1250.500000\n"}) {
    EXPECT_THAT(t, HasSubstr(part));
  }
  EXPECT_THAT(t, EndsWith("\n  (79) final gear (automatic): 3.700000\n"));
  // The warning, the two headings, the record's 36 lines and the map's 38.
  EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 3 + 36 + 38);
  EXPECT_EQ(files_under(dir.path()), before);

  // Each refusal goes to standard error, with status 1.
  for (const auto& [name, line] : std::vector<std::pair<std::string, std::string>>{
           {"blox", "BLOX has no performance record: GameData/CARDATA.VIV holds no pBlox.DAT"},
           {"car9", "No car named car9 under " + game()},
           {"loose",
            "LOOSE has no performance record: its GEO file CARMODEL/loose.geo is not in a "
            "CARDATA.VIV archive"}}) {
    const Outcome refused = port({game(), "--show-physics", name});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.errors, line + "\n") << refused.transcript;
  }
}

#ifndef _WIN32
// Runs the port as a user who is not root (root may write anywhere); returns its status.
int port_as_ordinary_user(const std::vector<std::string>& args) {
  return test::status_as_ordinary_user([&] { return port(args).status; });
}

TEST_F(PortDriver, LeavesNothingInAReadOnlyOutFolder) {
  write_install(game(), make_sample_nfs2_install());
  fs::create_directory(out());
  fs::permissions(dir.path(), fs::perms(0755));
  fs::permissions(game(), fs::perms(0755));
  fs::permissions(out(), fs::perms(0555));
  EXPECT_EQ(port_as_ordinary_user({game(), out()}), 1);
  EXPECT_TRUE(fs::is_empty(out()));
  // With --force, a car folder that cannot be written into stays as it was; the others are
  // written.
  fs::permissions(out(), fs::perms(0777));
  fs::create_directory(out() + "/SMPL");
  fs::permissions(out() + "/SMPL", fs::perms(0555));
  EXPECT_EQ(port_as_ordinary_user({game(), out(), "--force"}), 1);
  EXPECT_EQ(files_under(out()).size(), 4u);  // BLOX and LOG
  EXPECT_TRUE(fs::is_empty(out() + "/SMPL"));
}

TEST_F(PortDriver, TakesAwayTheFolderOfACarWhoseFilesCannotBeWritten) {
  write_install(game(), make_sample_nfs2_install());
  // Every file larger than this fails half-way: each car.fce is staged, each car00.tga fails. The
  // staged files and the folders the port made must go again.
  EXPECT_EQ(test::status_with_file_size_limit(100000,
                                              [&] {
                                                return port({game(), out()}).status;
                                              }),
            1);
  EXPECT_FALSE(fs::exists(out()));  // made for the cars, and empty again
}
#endif

}  // namespace
}  // namespace tromvex
