// Fuzz target for read_carp, the reader of a car's carp.txt, and for replacing its values.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the file is accepted:
// - written back unchanged, it is the input byte for byte;
// - every entry's id is at most kMaxCarpId and no two entries share one, and each label and
//   value line holds no line feed;
// - the trailer is blank;
// - with every value replaced by the entry's id in decimal, it reads back with the same
//   entries in the same order, each with its new value, and the same trailer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>

#include "common/bytes.hpp"
#include "fuzz_check.hpp"
#include "port/carp.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  const std::span<const std::uint8_t> text(data, size);
  CarpFile carp;
  if (!fuzz::accepts([&] { carp = read_carp(text); })) return 0;

  const Bytes written = write_carp(carp);
  FUZZ_CHECK(written.size() == size && std::equal(written.begin(), written.end(), data));
  std::set<std::uint32_t> ids;
  for (const CarpEntry& entry : carp.entries) {
    FUZZ_CHECK(entry.id <= kMaxCarpId);
    FUZZ_CHECK(ids.insert(entry.id).second);
    FUZZ_CHECK(entry.label.find('\n') == std::string::npos);
    FUZZ_CHECK(entry.value.find('\n') == std::string::npos);
  }
  FUZZ_CHECK(carp.trailer.find_first_not_of(" \t\r\n") == std::string::npos);

  CarpFile changed = carp;
  for (const CarpEntry& entry : carp.entries) {
    FUZZ_CHECK(replace_carp_value(changed, entry.id, std::to_string(entry.id)));
  }
  const Bytes rewritten = write_carp(changed);
  CarpFile reread;
  FUZZ_CHECK(fuzz::accepts([&] { reread = read_carp(rewritten); }));
  FUZZ_CHECK(reread.entries.size() == carp.entries.size());
  for (std::size_t i = 0; i < reread.entries.size(); ++i) {
    FUZZ_CHECK(reread.entries[i].id == carp.entries[i].id);
    FUZZ_CHECK(reread.entries[i].label == carp.entries[i].label);
    FUZZ_CHECK(reread.entries[i].value == std::to_string(carp.entries[i].id));
  }
  FUZZ_CHECK(reread.trailer == carp.trailer);
  return 0;
}
