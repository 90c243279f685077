// Tests of how texture names and bytes appear in messages.
#include "common/records.hpp"

#include <gtest/gtest.h>

#include <cstdio>

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

TEST(HexByte, IsTwoUpperCaseDigitsForEveryByte) {
  for (unsigned value = 0; value < 256; ++value) {
    char expected[3];
    std::snprintf(expected, sizeof expected, "%02X", value);
    EXPECT_EQ(hex_byte(static_cast<std::uint8_t>(value)), expected);
  }
}

}  // namespace
}  // namespace tromvex
