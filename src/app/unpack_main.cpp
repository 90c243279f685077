// tromvex-unpack: unpacks a packed file of NFS2(SE) (a texture archive or any other) into its raw bytes.
#include "app/console.hpp"
#include "app/platform.hpp"
#include "app/unpack_driver.hpp"

int main(int argc, char** argv) {
  const auto args = tromvex::command_line_arguments(argc, argv);
  tromvex::SystemConsole console;
  return tromvex::run_unpack(args, console);
}
