// Reads and writes VIV archives (BIGF).
#include "viv/viv.hpp"

#include <algorithm>
#include <array>
#include <cassert>
#include <limits>
#include <stdexcept>

#include "common/byte_reader.hpp"
#include "common/malformed_file.hpp"
#include "common/records.hpp"

namespace tromvex {
namespace {

constexpr std::array<std::uint8_t, 4> kVivSignature{'B', 'I', 'G', 'F'};
constexpr std::uint64_t kMaxArchiveSize = std::numeric_limits<std::uint32_t>::max();

// Names Windows gives to devices, in any case and with any extension ("nul.txt" is the device).
constexpr std::array<std::string_view, 6> kDeviceNames{"CON", "PRN",    "AUX",
                                                       "NUL", "CONIN$", "CONOUT$"};
// And the serial and parallel ports: one of these, then a digit 0 to 9 or a superscript one,
// two or three ("COM0", "lpt\u00B9.txt").
constexpr std::array<std::string_view, 2> kPortPrefixes{"COM", "LPT"};
// The superscripts as their bytes may stand in a member name: UTF-8, and the single bytes of
// Latin-1 and Windows-1252.
constexpr std::array<std::string_view, 6> kSuperscriptDigits{"\xC2\xB9", "\xC2\xB2", "\xC2\xB3",
                                                             "\xB9",     "\xB2",     "\xB3"};
// Characters a file name cannot hold on Windows, besides control characters; '/' and '\\' also
// separate folders everywhere, and ':' names a drive or a file's stream.
constexpr std::string_view kForbiddenCharacters = "<>:\"/\\|?*";

std::string member_text(std::size_t index) {
  return "member " + std::to_string(index) + " of the VIV archive";
}

std::string member_text(std::size_t index, std::string_view name) {
  return "member " + std::to_string(index) + " ('" + printable_name(name) + "') of the VIV archive";
}

char to_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::uint64_t round_up(std::uint64_t value) {
  return (value + kVivAlignment - 1) / kVivAlignment * kVivAlignment;
}

// The name at the reader's position, up to its NUL, and the reader moved past the NUL.
std::string read_member_name(ByteReader& reader, std::span<const std::uint8_t> archive,
                             std::size_t index) {
  const auto rest = archive.subspan(reader.position());
  const auto nul = std::find(rest.begin(), rest.end(), std::uint8_t{0});
  if (nul == rest.end()) {
    throw MalformedFile("the name of " + member_text(index) +
                        " has no NUL before the archive's end");
  }
  std::string name(rest.begin(), nul);
  reader.skip(name.size() + 1);
  return name;
}

// Whether base (in upper case) names a serial or parallel port: COM or LPT and one digit.
bool is_port_name(std::string_view base) {
  const auto prefix = std::find(kPortPrefixes.begin(), kPortPrefixes.end(), base.substr(0, 3));
  if (prefix == kPortPrefixes.end()) return false;
  const std::string_view digit = base.substr(3);
  return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') ||
         std::find(kSuperscriptDigits.begin(), kSuperscriptDigits.end(), digit) !=
             kSuperscriptDigits.end();
}

bool is_device_name(std::string_view name) {
  std::string base = folded_member_name(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();  // "nul .txt" is the device too
  return std::find(kDeviceNames.begin(), kDeviceNames.end(), base) != kDeviceNames.end() ||
         is_port_name(base);
}

}  // namespace

std::vector<VivMember> read_viv_directory(std::span<const std::uint8_t> archive) {
  // A file of fewer than four bytes does not begin with them either; one that begins with them
  // but is cut short is a VIV archive with too short a header.
  if (archive.size() < kVivSignature.size() ||
      !std::equal(kVivSignature.begin(), kVivSignature.end(), archive.begin())) {
    throw not_of_kind("a VIV archive", "it does not begin with \"BIGF\"");
  }
  if (archive.size() < kVivHeaderSize) {
    throw MalformedFile("the VIV archive is " + std::to_string(archive.size()) +
                        " bytes long, too short for its 16-byte header");
  }
  ByteReader reader(archive, "the header of the VIV archive");
  reader.skip(kVivSignature.size());
  reader.u32_be();  // the archive's size: written by the writer, not needed to read
  const std::uint32_t count = reader.u32_be();
  reader.u32_be();  // the header length: data offsets are taken from the directory itself

  // Checked before the table is allocated: every entry takes at least 9 bytes.
  const std::size_t most = (archive.size() - kVivHeaderSize) / kVivSmallestEntrySize;
  if (count > most) {
    throw MalformedFile("the VIV archive claims " + std::to_string(count) + " members; its " +
                        std::to_string(archive.size()) +
                        " bytes hold the directory entries of at most " + std::to_string(most));
  }
  std::vector<VivMember> members;
  members.reserve(count);
  for (std::size_t index = 0; index < count; ++index) {
    reader.set_subject("the directory entry of " + member_text(index));
    VivMember member;
    member.offset = reader.u32_be();
    const std::uint32_t size = reader.u32_be();
    member.name = read_member_name(reader, archive, index);
    // Written as size > length - offset, so that no sum can overflow.
    if (member.offset > archive.size() || size > archive.size() - member.offset) {
      throw MalformedFile(member_text(index, member.name) + " runs past its end: its " +
                          std::to_string(size) + " bytes start at offset " +
                          std::to_string(member.offset) + " of " + std::to_string(archive.size()));
    }
    member.bytes = archive.subspan(member.offset, size);
    members.push_back(std::move(member));
  }
  return members;
}

Bytes build_viv_archive(std::span<const VivMember> members) {
  std::uint64_t directory_end = kVivHeaderSize;
  for (const VivMember& member : members) {
    // Names come from a directory (read up to their NUL) or past is_safe_member_name.
    assert(member.name.find('\0') == std::string::npos);
    directory_end += kVivEntryFieldsSize + member.name.size() + 1;
  }
  const std::uint64_t header_length = round_up(directory_end);
  std::vector<std::uint64_t> offsets;
  offsets.reserve(members.size());
  std::uint64_t end = header_length;
  for (const VivMember& member : members) {
    offsets.push_back(round_up(end));
    end = offsets.back() + member.bytes.size();
  }
  if (end > kMaxArchiveSize) throw std::length_error("the VIV archive would be larger than 4 GiB");

  Bytes image(static_cast<std::size_t>(end));  // zero bytes wherever nothing is written
  std::copy(kVivSignature.begin(), kVivSignature.end(), image.data());
  write_u32_be(image.data() + 4, static_cast<std::uint32_t>(end));
  write_u32_be(image.data() + 8, static_cast<std::uint32_t>(members.size()));
  write_u32_be(image.data() + 12, static_cast<std::uint32_t>(header_length));
  std::uint8_t* entry = image.data() + kVivHeaderSize;
  for (std::size_t i = 0; i < members.size(); ++i) {
    const VivMember& member = members[i];
    write_u32_be(entry, static_cast<std::uint32_t>(offsets[i]));
    write_u32_be(entry + 4, static_cast<std::uint32_t>(member.bytes.size()));
    entry = std::copy(member.name.begin(), member.name.end(), entry + kVivEntryFieldsSize) +
            1;  // past the NUL
    std::copy(member.bytes.begin(), member.bytes.end(), image.data() + offsets[i]);
  }
  return image;
}

void check_viv_rebuild(std::span<const VivMember> members, std::size_t archive_size) {
  std::uint64_t data_total = 0;
  for (const VivMember& member : members) data_total += member.bytes.size();
  if (data_total > archive_size) {
    throw MalformedFile("its members overlap; their data add up to " + std::to_string(data_total) +
                        " bytes, more than the archive's " + std::to_string(archive_size));
  }
}

bool same_member_name(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return to_upper(x) == to_upper(y); });
}

std::string folded_member_name(std::string_view name) {
  std::string folded(name);
  std::transform(folded.begin(), folded.end(), folded.begin(), to_upper);
  return folded;
}

std::optional<std::size_t> find_viv_member(std::span<const VivMember> members,
                                           std::string_view name) {
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (same_member_name(members[i].name, name)) return i;
  }
  return std::nullopt;
}

bool is_safe_member_name(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte < 0x20 || byte == 0x7F || kForbiddenCharacters.find(c) != std::string_view::npos)
      return false;
  }
  // Also refuses "." and "..": Windows drops a trailing dot or space, and a name made of dots
  // names the folder itself or the one above.
  if (name.back() == '.' || name.back() == ' ') return false;
  return !is_device_name(name);
}

bool put_viv_member(std::vector<VivMember>& members, const VivMember& file) {
  if (const auto index = find_viv_member(members, file.name)) {
    members[*index].bytes = file.bytes;
    return true;
  }
  members.push_back(file);
  return false;
}

}  // namespace tromvex
