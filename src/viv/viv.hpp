// Reads and writes VIV archives (BIGF): the directory of members, and whole archive images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"

namespace tromvex {

// The layout is described in docs/formats.md, "VIV archive".
// The archive layout, all numbers 32-bit big-endian: "BIGF", the archive's size, the member
// count, the header length (where member data may start), then one directory entry a member:
// data offset, data size, and the name with its terminating NUL.
inline constexpr std::size_t kVivHeaderSize = 16;
inline constexpr std::size_t kVivEntryFieldsSize = 8;
// An entry holds at least its two numbers and the NUL of an empty name.
inline constexpr std::size_t kVivSmallestEntrySize = kVivEntryFieldsSize + 1;
// The header length and every member's data are placed at multiples of this.
inline constexpr std::size_t kVivAlignment = 4;

// One member of an archive.
struct VivMember {
  std::string name;                     // the name's bytes as stored, without the NUL
  std::uint32_t offset = 0;             // where the data start, as the directory says
  std::span<const std::uint8_t> bytes;  // the data; a view, owned by whoever owns the image
};

// Reads the directory of the archive image. Every member's bytes are a view into archive,
// which the caller keeps alive. Members may be in any order, overlap, leave gaps or share a
// name. Throws MalformedFile, naming the member at fault, for a file that does not begin with
// "BIGF" ("it is not a VIV archive (…)"), a header cut short, a directory that runs past the
// end, a name without its NUL, a member whose data run past the end, or a member count that the
// archive's bytes cannot hold (checked before anything is allocated, so the directory costs no
// more than about the archive's own size), and std::bad_alloc when memory runs out.
std::vector<VivMember> read_viv_directory(std::span<const std::uint8_t> archive);
// The members would outlive a temporary image they view.
std::vector<VivMember> read_viv_directory(Bytes&& archive) = delete;

// Builds an archive image from members, in the given order, from their names and bytes (their
// offsets are not read): the header length and every data offset rounded up to a multiple of
// 4 with zero bytes between, the size field equal to the image's size. Throws
// std::length_error when the archive would not fit in 4 GiB (the members' sizes decide it), and
// std::bad_alloc. Asserts that no name holds a NUL: names read from a directory never do, and
// a new name is one that passed is_safe_member_name.
Bytes build_viv_archive(std::span<const VivMember> members);

// Checks that members read from an archive image of archive_size bytes can be rebuilt into a
// new archive: the new one holds a copy of every member, so members that share their bytes
// would multiply them, and a small crafted archive could ask for gigabytes. Throws
// MalformedFile ("its members overlap; their data add up to N bytes, more than the archive's
// M") when their data add up to more than the image; nothing otherwise.
void check_viv_rebuild(std::span<const VivMember> members, std::size_t archive_size);

// Whether two member names are the same without regard to case (ASCII letters). Throws nothing.
bool same_member_name(std::string_view a, std::string_view b);

// The name with its ASCII letters in upper case: two names are the same without regard to case
// exactly when their folded names are equal. Throws std::bad_alloc only.
std::string folded_member_name(std::string_view name);

// The index of the first member named name without regard to case, or nothing. Throws nothing.
std::optional<std::size_t> find_viv_member(std::span<const VivMember> members,
                                           std::string_view name);

// Whether name can be written as a file in a folder without leaving it or reaching anything
// but a plain file there, on every system: not empty, not "." or "..", no path separator ('/',
// '\\'), no ':' (a drive letter or a Windows stream), no control character, no trailing dot or
// space (Windows drops them), and not a Windows device name (CON, NUL, COM0 to COM9, LPT0 to
// LPT9, COM or LPT with a superscript 1, 2 or 3 in UTF-8 or as one Latin-1 byte, "aux.txt" ...).
// Throws std::bad_alloc only.
bool is_safe_member_name(std::string_view name);

// Replaces the bytes of the first member named like file (without regard to case; the
// member keeps its stored name and its place) or, when there is none, appends file. Returns
// true for a replacement, false for an append. Throws std::bad_alloc only.
bool put_viv_member(std::vector<VivMember>& members, const VivMember& file);

}  // namespace tromvex
