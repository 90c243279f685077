// Tests of the numbers carp.txt holds: printed as C's "%f", read back without the locale.
#include "port/decimal_text.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

namespace tromvex {
namespace {

TEST(FormatFixed6, PrintsAsCPrintfDoes) {
  const std::vector<std::pair<double, const char*>> cases{
      {0.0, "0.000000"},
      {-0.0000152587890625, "-0.000015"},
      {-0.0000001, "-0.000000"},  // "%f" keeps the sign of what rounds to zero
      {0.0000005, "0.000000"},    // stored just below 5e-7
      {0.0000015, "0.000002"},    // stored just above 1.5e-6
      {32767.9999847412109375, "32767.999985"},
      {-32768.0, "-32768.000000"},
      {1e20, "100000000000000000000.000000"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(format_fixed6(value), text);
  EXPECT_EQ(format_fixed(288.04, 1), "288.0");
  EXPECT_EQ(format_fixed(0.25, 1), "0.2");  // an exact half rounds to even, as printf
}

TEST(ParseDecimal, ReadsCarpTxtNumbersOnly) {
  const std::vector<std::pair<const char*, double>> numbers{
      {"3.500000", 3.5}, {" \t245\t ", 245}, {"+2", 2}, {"-1e-3", -0.001}, {".5", 0.5}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(parse_decimal(text), value) << text;
  for (const char* text : {"", " ", "3.5x", "3,5", "inf", "nan", "1e999", "+-1", "0x10", "- 1"}) {
    EXPECT_EQ(parse_decimal(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace tromvex
