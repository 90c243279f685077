// Tests of the Windows command line: the arguments come from the UTF-16 command line.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <string>

#include "app/platform.hpp"

namespace tromvex {
namespace {

TEST(CommandLineArgumentsWindows, ComeFromTheProcessCommandLineNotFromArgv) {
  char fake[] = "fake";
  char* argv[] = {fake, nullptr};
  const auto arguments = command_line_arguments(1, argv);
  ASSERT_FALSE(arguments.empty());
  EXPECT_NE(arguments[0], "fake");
  EXPECT_NE(arguments[0].find("tromvex_tests"), std::string::npos);
}

}  // namespace
}  // namespace tromvex

#endif  // _WIN32
