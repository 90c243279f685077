// The tromvex-view driver: renders an FCE car with its TGA texture into a PNG picture.
#pragma once

#include <span>
#include <string>

#include "app/console.hpp"

namespace tromvex {

// Runs tromvex-view as the command line asks (args[0] is the program's name):
// CAR.fce CAR00.tga OUT.png [--parts] [--size N]. Prints one line and returns 0 when the
// picture is written; prints "Could not ..." and returns 1 when a file cannot be read or
// written; prints what is wrong and the usage and returns 2 for wrong arguments. Never waits
// for a key. Every exception of the drawing becomes a failure line; throws only std::bad_alloc
// (memory running out for a line to print) and what console throws.
int run_view(std::span<const std::string> args, Console& console);

}  // namespace tromvex
