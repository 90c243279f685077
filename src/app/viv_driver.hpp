// The tromvex-viv driver: lists, extracts and updates VIV archives from the command line.
#pragma once

#include <span>
#include <string>

#include "app/console.hpp"

namespace tromvex {

// Runs one tromvex-viv command as the command line asks (args[0] is the program's name):
//   list ARCHIVE | extract ARCHIVE [MEMBER...] [-C DIR] | put ARCHIVE FILE... [--as NAME]
// Prints one line per action and never waits for a key. Returns the exit status: 0 when every
// action was done, 1 when anything failed or was refused, 2 (after the usage) for wrong
// arguments. Every exception becomes a failure line; throws only std::bad_alloc (memory
// running out for that line) and what console throws.
int run_viv(std::span<const std::string> args, Console& console);

}  // namespace tromvex
