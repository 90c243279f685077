// The message an input is refused with, for tests of the readers' refusals.
#pragma once

#include <optional>
#include <string>

#include "common/malformed_file.hpp"

namespace tromvex::test {

// Runs body and returns the message of the MalformedFile it throws, or nullopt if it returns.
template <typename Body>
std::optional<std::string> rejection_of(Body&& body) {
  try {
    body();
  } catch (const MalformedFile& error) {
    return error.what();
  }
  return std::nullopt;
}

}  // namespace tromvex::test
