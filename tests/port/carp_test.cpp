// Tests of the carp.txt reader and writer: entries found by id, every byte kept, and the
// malformed files refused with the line at fault.
#include "port/carp.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/rejection.hpp"

namespace tromvex {
namespace {

using test::prefix_of;
using test::rejection_of;

Bytes bytes_of(std::string_view text) { return Bytes(text.begin(), text.end()); }
std::string text_of(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Laid out as a real file: CRLF, ids out of order, one space after the last line break.
const std::string kCrlfFile =
    "Serial Number(0)\r\n114\r\n"
    "Gears(3)\r\n6\r\n"
    "Gears automatic(75)\r\n5\r\n"
    "Ratios(8)\r\n-2.800000,0.000000,3.100000,\r\n ";

TEST(Carp, ReadsEachEntryWithItsLineBreaks) {
  const CarpFile carp =
      read_carp(bytes_of("Serial Number(0)\r\n42\r\nMass (kg)(2)  \n1250.5\n \r\n"));
  std::vector<std::string> fields;
  for (const CarpEntry& e : carp.entries) {
    fields.insert(fields.end(),
                  {std::to_string(e.id), e.label, e.label_break, e.value, e.value_break});
  }
  // Spaces after the id are allowed.
  EXPECT_EQ(fields, (std::vector<std::string>{"0", "Serial Number(0)", "\r\n", "42", "\r\n", "2",
                                              "Mass (kg)(2)  ", "\n", "1250.5", "\n"}));
  EXPECT_EQ(carp.trailer, " \r\n");
}

TEST(Carp, WritesAnUnchangedFileBackByteForByte) {
  const std::vector<std::string> files{
      kCrlfFile,
      "Serial Number(0)\n0\nMass(2)\n1000.000000\n",  // LF, nothing after the last break
      "A(1)\r\n1\nB(2)\n2\r\n",                       // mixed line breaks
      "A(1)\r\n1\r\nB(2)\r\n2",                       // the last value without a line break
      "A(1)\r\n1\r\n\r\n\t \r\n",                     // blank lines after the last entry
      "(007)\r\n,,\r\n",                              // a bare id with leading zeros; any value
      "A(9999)\t\r\n1\r\n",                           // the highest id, a tab after it
      "",
      " \r\n"};
  for (const std::string& file : files) {
    const CarpFile carp = read_carp(bytes_of(file));
    EXPECT_EQ(text_of(write_carp(carp)), file);
  }
  EXPECT_EQ(read_carp(bytes_of("(007)\r\n,,\r\n")).entries.at(0).id, 7u);
}

TEST(Carp, ReplacesTheValueOfTheEntryWithTheIdOnly) {
  CarpFile carp = read_carp(bytes_of(kCrlfFile));
  EXPECT_TRUE(replace_carp_value(carp, 75, "4"));
  EXPECT_TRUE(replace_carp_value(carp, 0, "200"));
  EXPECT_EQ(text_of(write_carp(carp)),
            "Serial Number(0)\r\n200\r\n"
            "Gears(3)\r\n6\r\n"
            "Gears automatic(75)\r\n4\r\n"
            "Ratios(8)\r\n-2.800000,0.000000,3.100000,\r\n ");
  // Ids are not positions: entry 3 is the second, and there is no entry 1.
  EXPECT_EQ(find_carp_entry(carp, 3)->value, "6");
  EXPECT_FALSE(replace_carp_value(carp, 1, "9"));
  EXPECT_EQ(find_carp_entry(carp, 1), nullptr);
  EXPECT_EQ(carp.entries.size(), 4u);
  // Each replaced value keeps its own line break.
  CarpFile mixed = read_carp(bytes_of("A(1)\n1\nB(2)\r\n2"));
  replace_carp_value(mixed, 1, "10");
  replace_carp_value(mixed, 2, "20");
  EXPECT_EQ(text_of(write_carp(mixed)), "A(1)\n10\nB(2)\r\n20");
}

TEST(Carp, RefusesMalformedFilesNamingTheLine) {
  const auto line = [](int number, const std::string& text, const std::string& what) {
    return "line " + std::to_string(number) + " of carp.txt ('" + text + "') " + what;
  };
  const std::string not_label = "is not a label line: it does not end in an id in parentheses";
  const std::string no_value = "is a label line without a value line after it";
  const std::vector<std::pair<std::string, std::string>> cases{
      {"Serial Number\r\n1\r\n", line(1, "Serial Number", not_label)},
      {"A(1)\r\n1\r\n\r\nB(2)\r\n2\r\n", line(3, "", not_label)},
      {"A(1)\r\n1\r\nB(2)\r\n", line(3, "B(2)", no_value)},
      {"A(1)\r\n1\r\nB(2)", line(3, "B(2)", no_value)},
      {"A(1)\r\nB(2)\r\n2\r\n", line(2, "B(2)", "is a label line where the value of id 1 belongs")},
      {"A(1)\r\n \r\nB(2)\r\n2\r\n", line(2, " ", "is blank where the value of id 1 belongs")},
      {"A(5)\r\n1\r\nB(5)\r\n2\r\n", line(3, "B(5)", "gives the id 5, which line 1 already gave")},
      {"A(10000)\r\n1\r\n", line(1, "A(10000)", "has an id above 9999")},
      {"A(1)\r\n1\r\nx\r\n", line(3, "x", not_label)},
      // A long line is quoted in part, its bytes beyond ASCII escaped.
      {std::string(50, 'a') + "\r\n", line(1, std::string(40, 'a') + "...", not_label)},
      {std::string(39, 'a') + "\xE9\r\n", line(1, std::string(39, 'a') + "\\xE9", not_label)},
  };
  for (const auto& [file, message] : cases) {
    EXPECT_EQ(rejection_of([&] { read_carp(bytes_of(file)); }), message) << file;
  }
  for (const std::string label : {"A()", "A(1x)", "A 1)", "A(1", "A(-1)", "A(1))", "A(1)x"}) {
    EXPECT_TRUE(rejection_of([&] { read_carp(bytes_of(label + "\r\n1\r\n")); }).has_value())
        << label;
  }
}

// Every prefix reads back byte for byte or is refused; none reads past its end (ASan).
TEST(Carp, EveryPrefixReadsBackOrIsRefused) {
  const Bytes file = bytes_of(kCrlfFile);
  for (std::size_t size = 0; size <= file.size(); ++size) {
    const Bytes prefix = prefix_of(file, size);
    std::optional<CarpFile> carp;
    const auto refused = rejection_of([&] { carp = read_carp(prefix); });
    if (!refused) {
      EXPECT_EQ(write_carp(*carp), prefix) << size;
    }
  }
}

}  // namespace
}  // namespace tromvex
