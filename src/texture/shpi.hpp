// Reads the directory of an SHPI texture archive into texture records.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/records.hpp"

namespace tromvex {

// Builds one TextureRecord per directory entry but the last, in directory order; record 0 is
// the palette. The texture_count is the size of the returned table (N - 1 for N entries).
// Each record owns a copy of its pixel data; nothing points into the archive afterwards.
// Throws MalformedFile, naming the entry or picture at fault, when the archive is too short
// for its header or directory, holds fewer than 2 entries, has a picture or pixel data that
// ends past its end, a negative width or height, or pictures whose pixel data together
// exceed the archive (overlapping pictures that would multiply the memory a file can cost).
std::vector<TextureRecord> read_shpi_directory(std::span<const std::uint8_t> archive);

}  // namespace tromvex
