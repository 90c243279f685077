// What every companion program shares, run as the real programs: --help, -h and --version,
// failures on standard error, results on standard output, and lines that end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/version.hpp"
#include "support/subprocess.hpp"
#include "support/temp_dir.hpp"

namespace tromvex {
namespace {

using test::run_process;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Companion {
  std::string program;  // the executable
  std::string name;     // as --version and the usage name it
};

const std::vector<Companion> kCompanions{{TROMVEX_UNPACK_EXE, "tromvex-unpack"},
                                         {TROMVEX_VIV_EXE, "tromvex-viv"},
                                         {TROMVEX_VIEW_EXE, "tromvex-view"},
                                         {TROMVEX_FINISH_EXE, "tromvex-finish"},
                                         {TROMVEX_PORT_EXE, "tromvex-port"}};

test::ProcessResult run(const Companion& companion, std::vector<std::string> args) {
  args.insert(args.begin(), companion.program);
  return run_process(companion.program, args);
}

// --help and --version answer on standard output with status 0; a wrong command line gives the
// usage on standard error with status 2.
TEST(Companions, AnswerHelpAndVersionAndAWrongCommandLineWithTheUsage) {
  for (const Companion& companion : kCompanions) {
    SCOPED_TRACE(companion.name);
    const auto help = run(companion, {"--help"});
    EXPECT_EQ(help.exit_status, 0);
    EXPECT_THAT(help.output, StartsWith("Usage: " + companion.name + " "));
    EXPECT_THAT(help.output, EndsWith("\n"));
    EXPECT_EQ(help.errors, "");
    // -h says the same, and either answers wherever it stands, before other arguments are read.
    const auto short_help = run(companion, {"absent.file", "-h", "--no-such-option"});
    EXPECT_EQ(short_help.exit_status, 0);
    EXPECT_EQ(short_help.output, help.output);

    const auto version = run(companion, {"a", "--version"});
    EXPECT_EQ(version.exit_status, 0);
    EXPECT_EQ(version.output, companion.name + " " + kVersion + "\n");
    EXPECT_EQ(version.errors, "");
    // A wrong command line gives the same usage on standard error, with status 2.
    const auto wrong = run(companion, {"a", "b", "--no-such-option"});
    EXPECT_EQ(wrong.exit_status, 2);
    EXPECT_EQ(wrong.output, "");
    EXPECT_THAT(wrong.errors, HasSubstr("option --no-such-option\n"));
    EXPECT_THAT(wrong.errors, EndsWith(help.output));
  }
}

TEST(Companions, PutFailuresOnStandardErrorAndResultsOnStandardOutput) {
  test::TempDir dir;
  const std::string absent = dir.file("absent");
  const struct {
    std::string program;
    std::vector<std::string> args;
    std::string output, errors;
  } cases[] = {
      {TROMVEX_UNPACK_EXE, {absent, dir.file("out")}, "", "Could not open " + absent + "\n"},
      {TROMVEX_VIV_EXE,
       {"list", absent},
       "",
       "Could not read " + absent + ": the file cannot be opened or read\n"},
      {TROMVEX_VIEW_EXE,
       {absent, absent, dir.file("a.png")},
       "",
       "Could not open " + absent + "\n"},
      {TROMVEX_FINISH_EXE, {absent, dir.file("a.fce")}, "", "Could not open " + absent + "\n"},
      {TROMVEX_PORT_EXE,
       {absent, dir.file("out")},
       "Porting the cars under " + absent + " into " + dir.file("out") + "\n",
       "Could not read " + absent + ": there is no folder of that name\n"},
  };
  for (const auto& c : cases) {
    const auto result = run({c.program, ""}, c.args);
    EXPECT_EQ(result.exit_status, 1) << c.program;
    EXPECT_EQ(result.output, c.output);
    EXPECT_EQ(result.errors, c.errors);
  }
}

}  // namespace
}  // namespace tromvex
