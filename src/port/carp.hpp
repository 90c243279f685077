// Reads and writes an NFS3 car's carp.txt: its entries, each a label line ending in "(<id>)"
// and a value line, kept byte for byte so that only the value lines a caller replaces change.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"

namespace tromvex {

// One entry: its label line and its value line, each without and with its own line break, so
// that CRLF and LF files (and a file that mixes them) are written back as they were.
struct CarpEntry {
  std::uint32_t id = 0;     // the number in the parentheses that end the label line
  std::string label;        // "Serial Number(0)", as stored, without its line break
  std::string label_break;  // "\r\n" or "\n"
  std::string value;        // "114", as stored, without its line break
  std::string value_break;  // "\r\n", "\n", or "" for a last line the file does not end
};

// A whole carp.txt: its entries in the file's order, then whatever follows the last value
// line (real files end with one space after their last line break).
struct CarpFile {
  std::vector<CarpEntry> entries;
  std::string trailer;  // blank: spaces, tabs and line breaks only
};

// The largest id a label line may carry; real files use 0 to 79. Ids are unique, so this also
// bounds the entries a file can make the reader keep.
inline constexpr std::uint32_t kMaxCarpId = 9'999;

// Reads the bytes of a carp.txt into its entries. Lines end at LF (a CR before it belongs to
// the line break); a label line ends in "(<id>)", decimal digits, with nothing but spaces or
// tabs after it; the line after it is its value. Throws MalformedFile, naming the line, for a
// label line without an id (a blank line where a label belongs included), a value line that is
// missing, blank or itself a label line, an id above kMaxCarpId or given twice, and text after the
// last entry that is not blank. What it keeps is the text's bytes and at most 10,000 entries.
CarpFile read_carp(std::span<const std::uint8_t> text);

// The bytes of the file: every entry's label line and value line with their line breaks, in
// order, then the trailer. For a file read by read_carp and not changed, the bytes it was read
// from. Throws std::bad_alloc only.
Bytes write_carp(const CarpFile& carp);

// The entry of the given id, or nothing when the file has none. Throw nothing.
const CarpEntry* find_carp_entry(const CarpFile& carp, std::uint32_t id);
CarpEntry* find_carp_entry(CarpFile& carp, std::uint32_t id);

// Replaces the value line of the entry of the given id with value, keeping its line break;
// returns false, changing nothing, when the file has no such entry. Asserts that value holds
// no line break. Throws std::bad_alloc only.
bool replace_carp_value(CarpFile& carp, std::uint32_t id, std::string_view value);

}  // namespace tromvex
