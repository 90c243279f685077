// tromvex-unpack: unpacks a packed file of NFS2(SE) (a texture archive or any other) into its raw
// bytes.
#include "app/companion.hpp"
#include "app/unpack_driver.hpp"

int main(int argc, char** argv) {
  return tromvex::run_on_system_console(argc, argv, tromvex::run_unpack);
}
