// The tromvex-port driver: ports every car of an NFS2(SE) install into NFS3 car folders.
#pragma once

#include <span>
#include <string>

#include "app/console.hpp"

namespace tromvex {

// How the run meets the person at the console.
struct PortSession {
  bool show_progress = false;  // redraw a count of the cars done in place (a terminal)
  bool pause_at_end = false;   // wait for a key before the program's own window closes
};

// Runs one tromvex-port command as the command line asks (args[0] is the program's name):
//   GAME_FOLDER [OUT_FOLDER] [--donor CAR.VIV] [--serial N] [--only NAME...] [--exact]
//   [--force] [--jobs N] [--physics]
// Prints one line per car in name order and a closing summary. Returns the exit status: 0
// when every car found was ported, 1 when any was skipped or failed (or nothing could be
// done), 2 (after the usage) for wrong arguments. A car that keeps the donor's physics under
// --physics is ported. Every exception of a car becomes that car's failure line; throws only
// std::bad_alloc (memory running out for a line to print) and what console throws.
//
// With GAME_FOLDER --show-physics NAME [--donor CAR.VIV] instead, prints the car's performance
// record (and, with a donor, the carp.txt lines --physics writes of it) and writes nothing:
// returns 0 when shown, 1 when there is no such car or record or the record is refused.
int run_port(std::span<const std::string> args, Console& console, const PortSession& session);

// run_port without a progress count or a pause: the driver the tests run.
int run_port(std::span<const std::string> args, Console& console);

}  // namespace tromvex
