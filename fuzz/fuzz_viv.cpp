// Fuzz target for read_viv_directory, the reader of VIV archives, and for put on what it reads.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the archive is accepted:
// - one member for each of the count field's entries, each directory entry at least 9 bytes,
//   so the table costs no more than about the archive's size;
// - every member's bytes lie inside the archive, at the offset the member reports, and no
//   name holds a NUL;
// Where check_viv_rebuild lets the members be rebuilt, as tromvex-viv put does:
// - the archive rebuilt from the members reads back with the same names and bytes, its size
//   field equal to its size and every offset a multiple of 4;
// - putting the input's first bytes under the first member's name replaces that member only,
//   and under a new name appends one member, every other member's bytes kept.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "fuzz_check.hpp"
#include "viv/viv.hpp"

namespace {

using tromvex::Bytes;
using tromvex::VivMember;

bool same_bytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// Builds an archive from members, reads it back and checks that nothing changed.
void check_round_trip(const std::vector<VivMember>& members) {
  const Bytes rebuilt = tromvex::build_viv_archive(members);
  FUZZ_CHECK(tromvex::read_u32_be(rebuilt.data() + 4) == rebuilt.size());
  std::vector<VivMember> read;
  FUZZ_CHECK(tromvex::fuzz::accepts([&] { read = tromvex::read_viv_directory(rebuilt); }));
  FUZZ_CHECK(read.size() == members.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    FUZZ_CHECK(read[i].name == members[i].name);
    FUZZ_CHECK(same_bytes(read[i].bytes, members[i].bytes));
    FUZZ_CHECK(read[i].offset % tromvex::kVivAlignment == 0);
  }
}

// Puts file into a copy of members and checks what changed against what was there.
void check_put(const std::vector<VivMember>& members, const VivMember& file) {
  std::vector<VivMember> updated = members;
  const bool replaced = tromvex::put_viv_member(updated, file);
  const auto first = tromvex::find_viv_member(members, file.name);
  FUZZ_CHECK(replaced == first.has_value());
  FUZZ_CHECK(updated.size() == members.size() + (replaced ? 0 : 1));
  for (std::size_t i = 0; i < updated.size(); ++i) {
    const bool is_put = replaced ? i == *first : i == members.size();
    FUZZ_CHECK(same_bytes(updated[i].bytes, is_put ? file.bytes : members[i].bytes));
    FUZZ_CHECK(updated[i].name == (i < members.size() ? members[i].name : file.name));
  }
  check_round_trip(updated);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tromvex;
  const std::span<const std::uint8_t> archive(data, size);
  std::vector<VivMember> members;
  if (!fuzz::accepts([&] { members = read_viv_directory(archive); })) return 0;

  FUZZ_CHECK(size >= kVivHeaderSize);
  FUZZ_CHECK(members.size() == read_u32_be(data + 8));
  FUZZ_CHECK(members.size() <= (size - kVivHeaderSize) / kVivSmallestEntrySize);
  for (const VivMember& member : members) {
    FUZZ_CHECK(member.offset <= size && member.bytes.size() <= size - member.offset);
    FUZZ_CHECK(member.bytes.data() == data + member.offset);
    FUZZ_CHECK(member.name.find('\0') == std::string::npos);
  }
  if (!fuzz::accepts([&] { check_viv_rebuild(members, size); })) return 0;

  check_round_trip(members);
  const VivMember file{members.empty() ? "new" : members.front().name, 0,
                       archive.first(std::min<std::size_t>(size, 64))};
  check_put(members, file);
  check_put(members,
            VivMember{"a name no member has\x01", 0, archive.last(std::min<std::size_t>(size, 5))});
  return 0;
}
