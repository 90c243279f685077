// Writes a generated file for the development tools, saying on stderr when it cannot.
#pragma once

#include <fstream>
#include <iostream>
#include <string>

#include "common/bytes.hpp"

namespace tromvex {

// Writes bytes to path, replacing what stood there. Returns false, after naming the tool and
// the path on stderr, when the file cannot be written whole. Throws nothing.
inline bool write_tool_file(const char* tool, const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::cerr << tool << ": could not write " << path << "\n";
  return static_cast<bool>(out);
}

}  // namespace tromvex
