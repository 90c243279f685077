// The process's own console: standard output and the platform's key read.
#include "app/console.hpp"
#include "app/platform.hpp"

namespace tromvex {

void SystemConsole::print(std::string_view text) { write_console_text(text); }

int SystemConsole::wait_for_key() { return tromvex::wait_for_key(); }

}  // namespace tromvex
