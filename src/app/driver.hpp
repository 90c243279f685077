// The command-line driver: the run sequence, its messages and its exit status.
#pragma once

#include <span>
#include <string>

#include "app/console.hpp"

namespace tromvex {

// Runs one conversion as the command line asks (args[0] is the program's name) and returns
// the exit status: 1 after a failure stop, otherwise the code of the key pressed at the end.
// Every exception of a step becomes a failure stop; throws only std::bad_alloc (memory running
// out for a line to print) and what console throws.
int run(std::span<const std::string> args, Console& console);

}  // namespace tromvex
