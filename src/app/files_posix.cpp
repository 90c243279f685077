// Whole-file reads and safe whole-file writes, and the command line (POSIX).
#include <cstdio>
#include <fstream>
#include <iterator>

#include "app/platform.hpp"

namespace tromvex {

std::vector<std::string> command_line_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

// Placeholder until the safe writes land.
std::optional<Bytes> load_whole_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

WriteOutcome write_whole_file(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return WriteOutcome::cannot_create;
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return out ? WriteOutcome::written : WriteOutcome::write_failed;
}

}  // namespace tromvex
