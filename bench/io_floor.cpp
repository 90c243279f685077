// tromvex_io_floor: the file work of one run and nothing else, the floor that a program's
// end-to-end time and page faults are measured against. Reads N inputs whole and writes N
// outputs of given sizes through the very functions tromvex and its companions use: a
// temporary file in the target's folder, one write, fsync, close, rename. A conversion is two
// inputs and two outputs; tromvex-finish one of each.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/platform.hpp"

namespace {

// The output buffer is filled like tromvex fills its images, every byte written once.
bool write_output(const std::string& path, const std::string& size_text) {
  char* end = nullptr;
  const unsigned long long size = std::strtoull(size_text.c_str(), &end, 10);
  if (end == size_text.c_str() || *end != '\0') return false;
  const tromvex::Bytes bytes(static_cast<std::size_t>(size), 0);
  return tromvex::write_whole_file(path, bytes) == tromvex::WriteOutcome::written;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = tromvex::command_line_arguments(argc, argv);
  const std::size_t files = (args.size() - 1) / 3;
  if (files == 0 || args.size() != 1 + 3 * files) {
    std::fputs(
        "Usage: tromvex_io_floor <in>... <out> <size>...  (as many outputs as inputs)\n"
        "       tromvex_io_floor <in1> <in2> <out1> <size1> <out2> <size2>\n",
        stderr);
    return 2;
  }
  // Every input stays loaded until the outputs are written, as in a run.
  std::vector<std::optional<tromvex::Bytes>> inputs;
  for (std::size_t i = 1; i <= files; ++i) {
    inputs.push_back(tromvex::load_whole_file(args[i]));
    if (!inputs.back()) return 1;
  }
  for (std::size_t i = 1 + files; i < args.size(); i += 2) {
    if (!write_output(args[i], args[i + 1])) return 1;
  }
  return 0;
}
