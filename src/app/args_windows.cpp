// The command line (Windows): the arguments as UTF-8, from the UTF-16 command line.
#include <windows.h>

#include <shellapi.h>

#include <cstddef>

#include "app/platform.hpp"
#include "app/utf16_windows.hpp"

namespace tromvex {

// The C runtime's argv is in the ANSI code page, which cannot hold every file name; the
// command line Windows keeps is UTF-16 and can.
std::vector<std::string> command_line_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) arguments.push_back(to_utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace tromvex
