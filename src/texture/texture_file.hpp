// Recognises a texture file by its first bytes and unpacks it into its SHPI archive image.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/bytes.hpp"

namespace tromvex {

// True when the image begins with "SHPI", i.e. it is a texture archive that needs no unpacking.
// Throws nothing.
bool is_shpi_archive(std::span<const std::uint8_t> image);

// Names what the file is packed with, as a user reads it: "plain SHPI", "RefPack 10 FB",
// "Huffman 32 FB", "BTree 46 FB" (the magic as its two bytes in hex). Throws MalformedFile, with
// the message read_texture_file gives, for a file in no scheme tromvex reads.
std::string texture_file_scheme(std::span<const std::uint8_t> file);

// Unpacks a texture file: a plain SHPI archive is returned as it is; a RefPack (10/11 FB),
// Huffman (30-35 FB, B0-B5 FB) or BTree (46 FB) stream is expanded into its bytes, whatever
// they hold. Takes the file by value: it is consumed and released before the call returns.
// Throws MalformedFile when the file is none of these (naming the scheme for the ones the
// game family has but tromvex does not read: 90/91 FB RefPack, 47 FB BTree, RLE, C0 FB
// directories) or when its stream is malformed.
Bytes read_texture_file(Bytes file);

}  // namespace tromvex
