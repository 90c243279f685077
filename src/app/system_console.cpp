// The process's own console: standard output, standard error and the platform's key read.
#include "app/console.hpp"
#include "app/platform.hpp"

namespace tromvex {

void SystemConsole::print(std::string_view text) {
  write_console_text(text, ConsoleStream::output);
}

void SystemConsole::print_error(std::string_view text) {
  write_console_text(text, ConsoleStream::error);
}

int SystemConsole::wait_for_key() { return tromvex::wait_for_key(); }

}  // namespace tromvex
