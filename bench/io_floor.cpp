// tromvex_io_floor: the file work of one conversion and nothing else, the floor that the real
// program's end-to-end time is measured against. Reads two files whole and writes two files of
// given sizes, each in one write.
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

bool read_whole(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  std::fseek(file, 0, SEEK_END);
  const long length = std::ftell(file);
  std::fseek(file, 0, SEEK_SET);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(length));
  const bool read = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
  std::fclose(file);
  return read;
}

bool write_zeros(const char* path, const char* size_text) {
  const std::vector<unsigned char> bytes(std::strtoul(size_text, nullptr, 10), 0);
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fputs("Usage: tromvex_io_floor <in1> <in2> <out1> <size1> <out2> <size2>\n", stderr);
    return 2;
  }
  const bool ok = read_whole(argv[1]) && read_whole(argv[2]) && write_zeros(argv[3], argv[4]) &&
                  write_zeros(argv[5], argv[6]);
  return ok ? 0 : 1;
}
