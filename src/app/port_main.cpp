// tromvex-port: ports every car of an NFS2(SE) install into NFS3 car folders in one run.
#include "app/companion.hpp"
#include "app/platform.hpp"
#include "app/port_driver.hpp"

int main(int argc, char** argv) {
  tromvex::reuse_freed_memory();
  const std::vector<std::string> args = tromvex::command_line_arguments(argc, argv);
  tromvex::SystemConsole console;
  const tromvex::PortSession session{tromvex::standard_output_is_terminal(),
                                     tromvex::owns_console_window()};
  return tromvex::run_port(args, console, session);
}
