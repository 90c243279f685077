// make_sample_installs: writes the bundled sample installs into a folder (examples/):
// nfs2se/ (cars in a car-data archive) and nfs2/ (loose cars).
#include <filesystem>
#include <iostream>
#include <system_error>

#include "tools/sample_installs.hpp"
#include "tools/write_file.hpp"

namespace {

bool write_install(const std::filesystem::path& folder,
                   const std::vector<tromvex::InstallFile>& files) {
  for (const tromvex::InstallFile& file : files) {
    const std::filesystem::path path = folder / file.path;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (!tromvex::write_tool_file("make_sample_installs", path.string(), file.bytes)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: make_sample_installs <examples folder>\n";
    return 2;
  }
  const std::filesystem::path examples(argv[1]);
  const bool written = write_install(examples / "nfs2se", tromvex::make_sample_nfs2se_install()) &&
                       write_install(examples / "nfs2", tromvex::make_sample_nfs2_install());
  return written ? 0 : 1;
}
