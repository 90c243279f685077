// tromvex_io_floor: the file work of one conversion and nothing else, the floor that the real
// program's end-to-end time and page faults are measured against. Reads the two inputs whole
// and writes two outputs of given sizes through the very functions tromvex uses: a temporary
// file in the target's folder, one write, fsync, close, rename.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/platform.hpp"

namespace {

// The output buffer is filled like tromvex fills its images, every byte written once.
bool write_output(const std::string& path, const char* size_text) {
  char* end = nullptr;
  const unsigned long long size = std::strtoull(size_text, &end, 10);
  if (end == size_text || *end != '\0') return false;
  const tromvex::Bytes bytes(static_cast<std::size_t>(size), 0);
  return tromvex::write_whole_file(path, bytes) == tromvex::WriteOutcome::written;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = tromvex::command_line_arguments(argc, argv);
  if (args.size() != 7) {
    std::fputs("Usage: tromvex_io_floor <in1> <in2> <out1> <size1> <out2> <size2>\n", stderr);
    return 2;
  }
  // Both inputs stay loaded until the outputs are written, as in a conversion.
  const auto first = tromvex::load_whole_file(args[1]);
  const auto second = tromvex::load_whole_file(args[2]);
  if (!first || !second) return 1;
  const bool written = write_output(args[3], argv[4]) && write_output(args[5], argv[6]);
  return written ? 0 : 1;
}
