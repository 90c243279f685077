// Builds VIV archives for tests and fuzz seeds from names and bytes given in code.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/bytes.hpp"
#include "viv/viv.hpp"

namespace tromvex::test {

// A member's name and the bytes it holds.
using VivContents = std::vector<std::pair<std::string, Bytes>>;

// Members that view the bytes of contents, which the caller keeps alive.
inline std::vector<VivMember> viv_members(const VivContents& contents) {
  std::vector<VivMember> members;
  for (const auto& [name, bytes] : contents) members.push_back({name, 0, bytes});
  return members;
}

// The archive the writer makes of contents, in their order.
inline Bytes viv_archive(const VivContents& contents) {
  return build_viv_archive(viv_members(contents));
}

}  // namespace tromvex::test
