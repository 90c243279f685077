// Reads the directory of an SHPI texture archive into texture records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/records.hpp"

namespace tromvex {

// Builds one TextureRecord per directory entry but the last, in directory order; record 0 is
// the palette. The texture_count is the size of the returned table (N - 1 for N entries).
// Each record's pixels are a view of its pixel data in the archive, which must outlive the
// records and stay where it is (a temporary archive is refused at compile time).
// Throws MalformedFile, naming the entry or picture at fault, when the archive is too short
// for its header or directory, holds fewer than 2 entries, has a picture or pixel data that
// ends past its end, a negative width or height, or pictures whose pixel data together
// exceed the archive (overlapping pictures, which would let a small file weigh as much as a
// large one).
std::vector<TextureRecord> read_shpi_directory(std::span<const std::uint8_t> archive);
std::vector<TextureRecord> read_shpi_directory(const Bytes&& archive) = delete;

// How messages name record `index` of the archive: "picture I ('name') of the texture
// archive". Throws nothing.
std::string picture_subject(std::size_t index, const TextureName& name);

}  // namespace tromvex
