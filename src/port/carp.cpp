// Reads and writes an NFS3 car's carp.txt, keeping every byte of it.
#include "port/carp.hpp"

#include <algorithm>
#include <cassert>
#include <utility>
#include <vector>

#include "common/byte_reader.hpp"
#include "common/malformed_file.hpp"
#include "common/records.hpp"

namespace tromvex {
namespace {

// A message quotes at most this many bytes of a line.
constexpr std::size_t kQuotedLineLength = 40;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One line of the text: its bytes without and with its line break.
struct Line {
  std::string text;
  std::string line_break;  // "\r\n", "\n", or "" at the end of the text
  std::size_t number = 0;  // counted from 1
};

// Reads the text line by line through the bounded reader.
class LineReader {
 public:
  explicit LineReader(std::span<const std::uint8_t> text) : reader_(text, "carp.txt") {}

  bool at_end() const { return reader_.remaining() == 0; }

  // Whether everything left is blank; then it is taken whole as the trailer.
  bool take_blank_rest(std::string& trailer) {
    const std::size_t start = reader_.position();
    std::string rest;
    while (!at_end()) {
      const char c = static_cast<char>(reader_.u8());
      if (!is_blank(c)) {
        reader_.seek(start);
        return false;
      }
      rest += c;
    }
    trailer = std::move(rest);
    return true;
  }

  Line next() {
    Line line;
    line.number = ++lines_read_;
    while (!at_end()) {
      const char c = static_cast<char>(reader_.u8());
      if (c == '\n') {
        line.line_break.push_back(c);
        break;
      }
      line.text += c;
    }
    // A CR right before the LF belongs to the line break, so that CRLF files stay CRLF.
    if (!line.line_break.empty() && !line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.line_break.insert(line.line_break.begin(), '\r');
    }
    return line;
  }

 private:
  ByteReader reader_;
  std::size_t lines_read_ = 0;
};

std::string quoted(const Line& line) {
  std::string_view text = line.text;
  const bool cut = text.size() > kQuotedLineLength;
  return "('" + printable_name(text.substr(0, kQuotedLineLength)) + (cut ? "...')" : "')");
}

std::string line_text(const Line& line) {
  return "line " + std::to_string(line.number) + " of carp.txt " + quoted(line);
}

// The id a label line ends in: "(<digits>)" with nothing but spaces or tabs after it; nothing
// for a line that does not end so. Ids above kMaxCarpId are refused.
std::optional<std::uint32_t> label_id(const Line& line) {
  std::string_view text = line.text;
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty() || text.back() != ')') return std::nullopt;
  text.remove_suffix(1);
  const std::size_t digits_start = text.find_last_not_of("0123456789") + 1;  // npos + 1 is 0
  if (digits_start == text.size() || digits_start == 0 || text[digits_start - 1] != '(') {
    return std::nullopt;
  }
  std::uint32_t id = 0;
  for (const char digit : text.substr(digits_start)) {
    id = id * 10 + static_cast<std::uint32_t>(digit - '0');
    if (id > kMaxCarpId) {
      throw MalformedFile(line_text(line) + " has an id above " + std::to_string(kMaxCarpId));
    }
  }
  return id;
}

}  // namespace

CarpFile read_carp(std::span<const std::uint8_t> text) {
  CarpFile carp;
  LineReader lines(text);
  // The line that first gave each id, 0 for none yet.
  std::vector<std::size_t> line_of_id(std::size_t{kMaxCarpId} + 1, 0);
  while (!lines.take_blank_rest(carp.trailer)) {
    const Line label = lines.next();
    const std::optional<std::uint32_t> id = label_id(label);
    if (!id) {
      throw MalformedFile(line_text(label) +
                          " is not a label line: it does not end in an id in parentheses");
    }
    if (const std::size_t first = line_of_id[*id]; first != 0) {
      throw MalformedFile(line_text(label) + " gives the id " + std::to_string(*id) +
                          ", which line " + std::to_string(first) + " already gave");
    }
    line_of_id[*id] = label.number;
    if (label.line_break.empty() || lines.at_end()) {
      throw MalformedFile(line_text(label) + " is a label line without a value line after it");
    }
    Line value = lines.next();
    if (std::all_of(value.text.begin(), value.text.end(), is_blank)) {
      throw MalformedFile(line_text(value) + " is blank where the value of id " +
                          std::to_string(*id) + " belongs");
    }
    if (label_id(value)) {
      throw MalformedFile(line_text(value) + " is a label line where the value of id " +
                          std::to_string(*id) + " belongs");
    }
    carp.entries.push_back(
        {*id, label.text, label.line_break, std::move(value.text), std::move(value.line_break)});
    if (carp.entries.back().value_break.empty()) break;  // the value ran to the end of the text
  }
  return carp;
}

Bytes write_carp(const CarpFile& carp) {
  Bytes bytes;
  const auto append = [&bytes](std::string_view text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
  };
  for (const CarpEntry& entry : carp.entries) {
    append(entry.label);
    append(entry.label_break);
    append(entry.value);
    append(entry.value_break);
  }
  append(carp.trailer);
  return bytes;
}

const CarpEntry* find_carp_entry(const CarpFile& carp, std::uint32_t id) {
  const auto found = std::find_if(carp.entries.begin(), carp.entries.end(),
                                  [id](const CarpEntry& entry) { return entry.id == id; });
  return found == carp.entries.end() ? nullptr : &*found;
}

CarpEntry* find_carp_entry(CarpFile& carp, std::uint32_t id) {
  return const_cast<CarpEntry*>(find_carp_entry(std::as_const(carp), id));
}

bool replace_carp_value(CarpFile& carp, std::uint32_t id, std::string_view value) {
  assert(value.find_first_of("\r\n") == std::string_view::npos);
  CarpEntry* entry = find_carp_entry(carp, id);
  if (entry == nullptr) return false;
  entry->value = value;
  return true;
}

}  // namespace tromvex
