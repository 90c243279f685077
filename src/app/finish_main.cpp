// tromvex-finish: gives an NFS3 FCE car its vertex normals and half sizes, ready for the game.
#include "app/companion.hpp"
#include "app/finish_driver.hpp"

int main(int argc, char** argv) {
  return tromvex::run_on_system_console(argc, argv, tromvex::run_finish);
}
