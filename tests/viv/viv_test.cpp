// Tests of the VIV archive reader and writer, the member-name check and put.
#include "viv/viv.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/malformed_file.hpp"
#include "support/rejection.hpp"
#include "support/viv_builder.hpp"

namespace tromvex {
namespace {

using test::viv_members;
using test::VivContents;

// One directory entry as a test writes it, whatever the data.
struct RawEntry {
  std::uint32_t offset;
  std::uint32_t size;
  std::string name;  // written with a NUL after it
};

void put_be(Bytes& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// "BIGF", a size field of 0 (never read), count, header length 0 (never read), the entries,
// then data: byte i of the image past the directory holds i.
Bytes raw_archive(const std::vector<RawEntry>& entries, std::size_t total_size,
                  std::uint32_t count) {
  Bytes image{'B', 'I', 'G', 'F'};
  put_be(image, 0);
  put_be(image, count);
  put_be(image, 0);
  for (const RawEntry& entry : entries) {
    put_be(image, entry.offset);
    put_be(image, entry.size);
    image.insert(image.end(), entry.name.begin(), entry.name.end());
    image.push_back(0);
  }
  while (image.size() < total_size) image.push_back(static_cast<std::uint8_t>(image.size()));
  image.resize(total_size);
  return image;
}

Bytes raw_archive(const std::vector<RawEntry>& entries, std::size_t total_size) {
  return raw_archive(entries, total_size, static_cast<std::uint32_t>(entries.size()));
}

void expect_members(const std::vector<VivMember>& read, const VivContents& expected) {
  ASSERT_EQ(read.size(), expected.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].name, expected[i].first) << "member " << i;
    EXPECT_EQ(Bytes(read[i].bytes.begin(), read[i].bytes.end()), expected[i].second)
        << "member " << i;
  }
}

// Worked by hand: the directory ends at 16 + 11 + 10 + 10 = 47, so the header length is 48;
// "ab" at 48 (3 bytes), the empty "c" at 52, "D" at 52 (1 byte); 53 bytes in all.
TEST(BuildVivArchive, LaysMembersOutAlignedInOrder) {
  const Bytes expected{'B', 'I', 'G', 'F', 0, 0, 0, 53, 0,   0,   0, 3, 0, 0, 0, 48,  // header
                       0,   0,   0,   48,  0, 0, 0, 3,  'a', 'b', 0,                  // entries
                       0,   0,   0,   52,  0, 0, 0, 0,  'c', 0,                       //
                       0,   0,   0,   52,  0, 0, 0, 1,  'D', 0,                       //
                       0,                                                             // to 48
                       1,   2,   3,   0,  // "ab", padding
                       9};
  EXPECT_EQ(build_viv_archive(viv_members({{"ab", {1, 2, 3}}, {"c", {}}, {"D", {9}}})), expected);
}

TEST(BuildVivArchive, RoundTripsThroughTheReader) {
  const std::vector<VivContents> cases{
      {},
      {{"car.fce", {1, 2, 3, 4, 5}},
       {"CAR.FCE", {6}},
       {"car.fce", {7, 8}}},                                     // duplicates, mixed case
      {{"a", {}}, {"b", {}}, {"Zero.Size", {}}, {"x", {0xFF}}},  // zero-size members
      {{"carlist.dat", Bytes(1001, 0xAB)}, {"IdGo.geo", Bytes(3, 0)}},
  };
  for (const auto& contents : cases) {
    const Bytes image = build_viv_archive(viv_members(contents));
    EXPECT_EQ(read_u32_be(image.data() + 4), image.size());
    EXPECT_EQ(read_u32_be(image.data() + 12) % 4, 0u);
    const std::vector<VivMember> read = read_viv_directory(image);
    expect_members(read, contents);
    for (const VivMember& member : read) {
      EXPECT_EQ(member.offset % 4, 0u);
      EXPECT_GE(member.offset, read_u32_be(image.data() + 12));
    }
  }
}

TEST(ReadVivDirectory, TakesMembersInAnyOrderOverlappingOrApart) {
  // Data placed back to front, with gaps, overlapping, unaligned; the fields at 4 and 12 lie.
  const Bytes image =
      raw_archive({{90, 4, "late"}, {71, 10, "early"}, {75, 2, "inside"}, {96, 0, "end"}}, 96);
  const std::vector<VivMember> read = read_viv_directory(image);
  ASSERT_EQ(read.size(), 4u);
  const std::vector<std::uint32_t> offsets{90, 71, 75, 96};
  for (std::size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].offset, offsets[i]);
    EXPECT_EQ(read[i].bytes.data(), image.data() + offsets[i]);
  }
  EXPECT_EQ(read[1].bytes.size(), 10u);
  EXPECT_EQ(read[3].bytes.size(), 0u);
}

TEST(ReadVivDirectory, RefusesMalformedArchivesNamingTheMember) {
  Bytes not_bigf = raw_archive({}, 16);
  not_bigf[3] = '4';
  const struct {
    const char* what;
    Bytes image;
    std::string message;
  } cases[] = {
      {"short", Bytes{'B', 'I', 'G', 'F', 0, 0, 0},
       "the VIV archive is 7 bytes long, too short for its 16-byte header"},
      {"not BIGF", not_bigf, "it is not a VIV archive (it does not begin with \"BIGF\")"},
      {"three bytes", Bytes{'B', 'I', 'G'},
       "it is not a VIV archive (it does not begin with \"BIGF\")"},
      {"empty", Bytes{}, "it is not a VIV archive (it does not begin with \"BIGF\")"},
      {"only BIGF", Bytes{'B', 'I', 'G', 'F'},
       "the VIV archive is 4 bytes long, too short for its 16-byte header"},
      {"count", raw_archive({{0, 0, "a"}}, 33, 2),
       "the VIV archive claims 2 members; its 33 bytes hold the directory entries of at most 1"},
      {"huge count", raw_archive({}, 16, 0xFFFFFFFF),
       "the VIV archive claims 4294967295 members; its 16 bytes hold the directory entries of at most 0"},
      {"entry past the end", raw_archive({{0, 0, "abcd"}}, 34, 2),
       "the directory entry of member 1 of the VIV archive ends past its end"},
      {"no NUL", raw_archive({{0, 0, "abc"}}, 27, 1),
       "the name of member 0 of the VIV archive has no NUL before the archive's end"},
      {"data past the end", raw_archive({{0, 4, "a"}, {31, 10, "b\n"}}, 40),
       "member 1 ('b\\x0A') of the VIV archive runs past its end: its 10 bytes start at offset 31 of 40"},
      {"offset past the end", raw_archive({{41, 0, "a"}}, 40),
       "member 0 ('a') of the VIV archive runs past its end: its 0 bytes start at offset 41 of 40"},
      {"size wraps", raw_archive({{8, 0xFFFFFFFC, "a"}}, 40),
       "member 0 ('a') of the VIV archive runs past its end: its 4294967292 bytes start at offset 8 of 40"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(test::rejection_of([&] { read_viv_directory(c.image); }), c.message) << c.what;
  }
}

TEST(ReadVivDirectory, EveryPrefixIsRefusedOrReadWithTheSameMembers) {
  const VivContents contents{{"car.fce", {1, 2, 3}}, {"", {}}, {"CAR00.tga", {4, 5, 6, 7, 8}}};
  const Bytes image = build_viv_archive(viv_members(contents));
  for (std::size_t length = 0; length < image.size(); ++length) {
    const Bytes prefix = test::prefix_of(image, length);
    try {
      expect_members(read_viv_directory(prefix), contents);
    } catch (const MalformedFile&) {
    }
  }
  // The last member's data end the image: only the whole image holds them.
  const Bytes short_by_one(image.begin(), image.end() - 1);
  EXPECT_THROW(read_viv_directory(short_by_one), MalformedFile);
}

TEST(CheckVivRebuild, TakesMembersWhoseDataAddUpToTheArchiveAtMost) {
  // The data of a 60-byte archive, counted once per member whatever they overlap.
  const struct {
    std::vector<RawEntry> entries;
    std::optional<std::string> refusal;
  } cases[] = {
      {{}, std::nullopt},
      {{{0, 60, "a"}}, std::nullopt},  // the whole image, directory and all
      {{{0, 60, "a"}, {60, 0, "b"}}, std::nullopt},
      {{{0, 60, "a"}, {59, 1, "b"}},
       "its members overlap; their data add up to 61 bytes, more than the archive's 60"},
      {{{30, 30, "a"}, {30, 30, "b"}, {58, 2, "c"}},
       "its members overlap; their data add up to 62 bytes, more than the archive's 60"},
  };
  for (const auto& c : cases) {
    const Bytes image = raw_archive(c.entries, 60);
    const std::vector<VivMember> members = read_viv_directory(image);
    EXPECT_EQ(test::rejection_of([&] { check_viv_rebuild(members, image.size()); }), c.refusal)
        << c.entries.size() << " members";
  }
}

TEST(IsSafeMemberName, TakesPlainFileNamesOnly) {
  for (const char* name :
       {"car.fce", "CAR00.TGA", "a..b", ".hidden", "console.txt", "com10", "nulled.geo"}) {
    EXPECT_TRUE(is_safe_member_name(name)) << name;
  }
  for (const char* name :
       {"",    ".",       "..",       "../x",  "/abs",     "C:x",   "a\\b", "dir/x",
        "x\n", "a\x7F",   "\x1B[2J",  "name.", "name ",    "a*b",   "a?b",  "a|b",
        "nul", "NUL.txt", "com1.dat", "Lpt9",  "con .txt", "CONIN$"}) {
    EXPECT_FALSE(is_safe_member_name(name)) << name;
  }
}

// The same name with its letters in each of several cases.
std::vector<std::string> case_variants(const std::string& name) {
  std::string upper = name, lower = name, alternating = name, first_lower = name;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    upper[i] = static_cast<char>(std::toupper(c));
    lower[i] = static_cast<char>(std::tolower(c));
    alternating[i] = static_cast<char>(i % 2 == 0 ? std::tolower(c) : std::toupper(c));
    first_lower[i] = static_cast<char>(i == 0 ? std::tolower(c) : std::toupper(c));
  }
  return {upper, lower, alternating, first_lower};
}

TEST(IsSafeMemberName, RefusesEveryDeviceNameInAnyCaseWhateverFollowsItsFirstDot) {
  std::vector<std::string> devices{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  // COM and LPT with a digit from 0, or with a superscript 1, 2 or 3: in UTF-8, or as the one
  // byte Latin-1 and Windows-1252 give it.
  for (const std::string port : {"COM", "LPT"}) {
    for (char digit = '0'; digit <= '9'; ++digit) devices.push_back(port + digit);
    for (const char* superscript : {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3", "\xB9", "\xB2", "\xB3"})
      devices.push_back(port + superscript);
  }
  // Windows takes the name up to its first dot, trailing spaces dropped, as the device.
  const std::vector<std::string> endings{"", ".txt", ".tar.gz", ".a.b.c", " .geo", "  .x.y", ".."};
  for (const std::string& device : devices) {
    for (const std::string& name : case_variants(device)) {
      for (const std::string& ending : endings) {
        EXPECT_FALSE(is_safe_member_name(name + ending)) << name + ending;
      }
      // Names that only hold a device name are files like any other.
      for (const std::string& other :
           {name + "x", "x" + name, name + "0.txt", "a." + name, name + "_.tga", "." + name}) {
        EXPECT_TRUE(is_safe_member_name(other)) << other;
      }
    }
  }
}

// Near misses of the ports' names are plain names.
TEST(IsSafeMemberName, TakesNamesThatOnlyLookLikePorts) {
  for (const char* name : {"COM", "LPT.txt", "COM10", "LPT00", "COM\xC2\xB9\xC2\xB9",
                           "COM\xC2\xB4",      // an acute accent, not a superscript
                           "COM\xE2\x81\xB4",  // superscript four, which Windows leaves alone
                           "COM\xC2",
                           "LPT\xB9"
                           "1",
                           "COMA", "CO1", "LPT\xB1"}) {
    EXPECT_TRUE(is_safe_member_name(name)) << testing::PrintToString(std::string(name));
  }
}

TEST(IsSafeMemberName, RefusesEveryControlAndReservedByteAnywhereInTheName) {
  const std::string reserved = "<>:\"/\\|?*";
  for (unsigned value = 1; value < 256; ++value) {
    const char c = static_cast<char>(value);
    const bool refused = value < 0x20 || value == 0x7F || reserved.find(c) != std::string::npos;
    for (const std::string& name : {std::string{c, 'a', 'b'}, std::string{'a', c, 'b'}}) {
      EXPECT_EQ(is_safe_member_name(name), !refused) << "byte " << value;
    }
  }
}

TEST(FoldedMemberName, FoldsTheLowerCaseAsciiLettersAndNoOtherByte) {
  const auto folded = [](unsigned value) {
    return value >= 'a' && value <= 'z' ? value - 'a' + 'A' : value;
  };
  for (unsigned a = 0; a < 256; ++a) {
    const std::string name(1, static_cast<char>(a));
    ASSERT_EQ(folded_member_name(name), std::string(1, static_cast<char>(folded(a)))) << a;
    for (unsigned b = 0; b < 256; ++b) {
      ASSERT_EQ(same_member_name(name, std::string(1, static_cast<char>(b))),
                folded(a) == folded(b))
          << a << " " << b;
    }
  }
  EXPECT_EQ(folded_member_name("car00.tga\xE9z"), "CAR00.TGA\xE9Z");
  EXPECT_FALSE(same_member_name("car.fce", "car.fc"));
  EXPECT_FALSE(same_member_name("", "a"));
  EXPECT_TRUE(same_member_name("", ""));
}

TEST(PutVivMember, ReplacesTheFirstMatchOrAppends) {
  const Bytes original = build_viv_archive(
      viv_members({{"Car.FCE", {1}}, {"carp.txt", {2, 2}}, {"car.fce", {3}}, {"empty", {}}}));
  std::vector<VivMember> members = read_viv_directory(original);
  const Bytes mesh{9, 9, 9}, texture{8};
  EXPECT_TRUE(put_viv_member(members, {"car.fce", 0, mesh}));
  EXPECT_FALSE(put_viv_member(members, {"car00.tga", 0, texture}));
  EXPECT_TRUE(put_viv_member(members, {"CAR00.TGA", 0, mesh}));
  const Bytes updated = build_viv_archive(members);
  expect_members(read_viv_directory(updated), {{"Car.FCE", mesh},
                                               {"carp.txt", {2, 2}},
                                               {"car.fce", {3}},
                                               {"empty", {}},
                                               {"car00.tga", mesh}});
}

}  // namespace
}  // namespace tromvex
