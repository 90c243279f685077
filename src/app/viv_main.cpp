// tromvex-viv: lists, extracts and updates the VIV archives that hold the games' car files.
#include "app/companion.hpp"
#include "app/viv_driver.hpp"

int main(int argc, char** argv) {
  return tromvex::run_on_system_console(argc, argv, tromvex::run_viv);
}
