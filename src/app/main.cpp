// tromvex: converts an NFS2(SE) car (GEO and QFS files) into an NFS3 car (FCE and TGA files).
#include "app/console.hpp"
#include "app/driver.hpp"
#include "app/platform.hpp"

int main(int argc, char** argv) {
  tromvex::reuse_freed_memory();
  const auto args = tromvex::command_line_arguments(argc, argv);
  tromvex::SystemConsole console;
  return tromvex::run(args, console);
}
