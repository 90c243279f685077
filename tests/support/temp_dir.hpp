// A fresh folder for one test's files, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <set>
#include <string>

#include "common/bytes.hpp"

namespace tromvex::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of name inside the folder, as a string.
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void write_file(const std::string& path, const Bytes& bytes);

// The names of the entries of folder, sorted.
std::set<std::string> names_in(const std::filesystem::path& folder);
Bytes read_file(const std::string& path);

}  // namespace tromvex::test
