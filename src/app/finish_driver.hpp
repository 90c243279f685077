// The tromvex-finish driver: gives an FCE car its vertex normals and half sizes.
#pragma once

#include <span>
#include <string>

#include "app/console.hpp"

namespace tromvex {

// Finishes the FCE file args[1] into the file args[2] (args[0] is the program's name; the two
// may name the same file) and returns the exit status: 0 after "Finished <OUT>: P parts, N
// normals, half sizes X x Y x Z m" (each half size with two decimals), 1 after a failure line
// ("Could not open <IN>", "Could not read <IN>: ...", a failed write of <OUT>), 2 after the
// usage when the command line is not two file names. Never pauses. Every exception of the
// finishing becomes a failure line; throws only std::bad_alloc (memory running out for a line
// to print) and what console throws.
int run_finish(std::span<const std::string> args, Console& console);

}  // namespace tromvex
