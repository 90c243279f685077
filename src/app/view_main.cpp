// tromvex-view: draws an NFS3 car (FCE and TGA files) from four sides into a PNG picture.
#include "app/console.hpp"
#include "app/platform.hpp"
#include "app/view_driver.hpp"

int main(int argc, char** argv) {
  const auto args = tromvex::command_line_arguments(argc, argv);
  tromvex::SystemConsole console;
  return tromvex::run_view(args, console);
}
