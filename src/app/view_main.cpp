// tromvex-view: draws an NFS3 car (FCE and TGA files) from four sides into a PNG picture.
#include "app/companion.hpp"
#include "app/view_driver.hpp"

int main(int argc, char** argv) {
  return tromvex::run_on_system_console(argc, argv, tromvex::run_view);
}
