// The tromvex-unpack driver: unpacks one packed file of the game into its raw bytes.
#pragma once

#include <span>
#include <string>

#include "app/console.hpp"

namespace tromvex {

// Unpacks the file args[1] into the file args[2] (args[0] is the program's name) and returns
// the exit status: 0 after "Unpacked <IN> (<scheme>): N bytes to <OUT>", 1 after a failure line,
// 2 after the usage when the command line is not exactly two names. Never pauses. Every
// exception of the unpacking becomes a failure line; throws only std::bad_alloc (memory
// running out for a line to print) and what console throws.
int run_unpack(std::span<const std::string> args, Console& console);

}  // namespace tromvex
