// tromvex-viv: lists, extracts and updates the VIV archives that hold the games' car files.
#include "app/console.hpp"
#include "app/platform.hpp"
#include "app/viv_driver.hpp"

int main(int argc, char** argv) {
  const auto args = tromvex::command_line_arguments(argc, argv);
  tromvex::SystemConsole console;
  return tromvex::run_viv(args, console);
}
