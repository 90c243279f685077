// Checks shared by the fuzz targets: a failed invariant or a stray exception aborts the run.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "common/malformed_file.hpp"

namespace tromvex::fuzz {

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: fuzz invariant failed: %s\n", file, line, what);
  std::abort();
}

// Runs body; a MalformedFile is the one accepted way to refuse an input and gives false.
// Any other exception is a fault: it is reported and the run aborts.
template <typename Body>
bool accepts(Body&& body) {
  try {
    body();
    return true;
  } catch (const MalformedFile& refusal) {
    // A refusal must say what is wrong: the driver shows nothing else to the user.
    if (refusal.what()[0] == '\0') fail("MalformedFile without a message", __FILE__, __LINE__);
    return false;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "exception other than MalformedFile: %s\n", error.what());
    std::abort();
  } catch (...) {
    std::fprintf(stderr, "exception of unknown type\n");
    std::abort();
  }
}

}  // namespace tromvex::fuzz

// Unlike assert, stays active in every build type.
#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::tromvex::fuzz::fail(#condition, __FILE__, __LINE__))
