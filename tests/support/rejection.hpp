// The message an input is refused with, and the cut-short inputs, for tests of refusals.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <variant>

#include "common/bytes.hpp"
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

// What a reader makes of an input: its output, or the message it refuses the input with.
using Outcome = std::variant<Bytes, std::string>;

// Runs read, which returns Bytes, and gives what it returned or the message of the
// MalformedFile it threw.
template <typename Read>
Outcome outcome_of(Read&& read) {
  try {
    return read();
  } catch (const MalformedFile& error) {
    return std::string(error.what());
  }
}

// The first size bytes of bytes (size <= bytes.size()), in a buffer of exactly that size so
// that AddressSanitizer sees any read past it.
inline Bytes prefix_of(const Bytes& bytes, std::size_t size) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}

}  // namespace tromvex::test
