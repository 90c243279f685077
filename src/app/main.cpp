// tromvex: converts an NFS2(SE) car (GEO and QFS files) into an NFS3 car (FCE and TGA files).
#include "app/companion.hpp"
#include "app/driver.hpp"
#include "app/platform.hpp"

int main(int argc, char** argv) {
  tromvex::reuse_freed_memory();
  return tromvex::run_on_system_console(argc, argv, tromvex::run);
}
