// The command line (POSIX): the arguments as the program received them.
#include "app/platform.hpp"

namespace tromvex {

// Names reach the program as the bytes the user typed, UTF-8 in a UTF-8 locale.
std::vector<std::string> command_line_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace tromvex
