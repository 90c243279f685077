// Tests of how texture names appear in messages.
#include "common/records.hpp"

#include <gtest/gtest.h>

namespace tromvex {
namespace {

TEST(PrintableName, ShowsTheNameUpToItsNulWithOtherBytesEscaped) {
  const struct {
    TextureName name;
    const char* shown;
  } cases[] = {
      {{'w', 'g', 'l', '0'}, "wgl0"},
      {{'r', 'i', 'm', 0}, "rim"},
      {{'a', 'b', 0, 'x'}, "ab"},  // what follows a NUL is not part of the name
      {{0, 'a', 'b', 'c'}, ""},
      {{0x01, 'a', '\'', 0xFF}, "\\x01a\\x27\\xFF"},
      {{'\\', 0x7F, ' ', '~'}, "\\x5C\\x7F ~"},
  };
  for (const auto& c : cases) EXPECT_EQ(printable_name(c.name), c.shown);
}

}  // namespace
}  // namespace tromvex
