// tromvex: converts an NFS2(SE) car (GEO and QFS files) into an NFS3 car (FCE and TGA files).
#include "app/companion.hpp"
#include "app/driver.hpp"

int main(int argc, char** argv) { return tromvex::run_on_system_console(argc, argv, tromvex::run); }
