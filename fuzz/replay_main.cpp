// Replays fuzz inputs through a target without libFuzzer, so the targets also build with GCC.
//
// Usage: <target> FILE_OR_FOLDER...  Each file (folders are walked recursively) is loaded into a
// heap buffer of exactly its size, so AddressSanitizer sees any read past its end, and handed
// to LLVMFuzzerTestOneInput. A target that finds a fault aborts, which ends the replay.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  // A fresh allocation of the exact size, not the vector's storage, which may be larger.
  const auto exact = std::make_unique<std::uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), exact.get());
  LLVMFuzzerTestOneInput(exact.get(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  bool all_read = true;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
        if (!entry.is_regular_file()) continue;
        all_read = replay_file(entry.path()) && all_read;
        ++replayed;
      }
    } else {
      all_read = replay_file(path) && all_read;
      ++replayed;
    }
  }
  std::printf("replayed %zu inputs\n", replayed);
  return all_read ? 0 : 1;
}
