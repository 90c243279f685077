// Tests of the texture file's recognition by its first bytes and its unpacking.
#include "texture/texture_file.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/malformed_file.hpp"
#include "support/rejection.hpp"
#include "tools/qfs_compress.hpp"
#include "tools/stream_compress.hpp"

namespace tromvex {
namespace {

const Bytes kArchive = [] {
  Bytes archive{'S', 'H', 'P', 'I'};
  for (int i = 0; i < 300; ++i) archive.push_back(static_cast<std::uint8_t>(i % 17 == 0 ? i : 5));
  return archive;
}();

// The 11 FB form of a 10 FB stream: three more header bytes, which the reader skips.
Bytes long_form(Bytes stream) {
  stream[0] = 0x11;
  stream.insert(stream.begin() + 5, {0xFC, 0xFC, 0xFC});
  return stream;
}

TEST(TextureFile, UnpacksEachSchemeToTheSameArchiveAndNamesIt) {
  const struct {
    Bytes file;
    const char* scheme;
  } cases[] = {
      {kArchive, "plain SHPI"},
      {qfs_compress(kArchive), "RefPack 10 FB"},
      {long_form(qfs_compress(kArchive)), "RefPack 11 FB"},
      {huffman_compress(kArchive, 0x30), "Huffman 30 FB"},
      {huffman_compress(kArchive, 0x33), "Huffman 33 FB"},
      {huffman_compress(kArchive, 0xB4), "Huffman B4 FB"},
      {btree_compress(kArchive), "BTree 46 FB"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(texture_file_scheme(c.file), c.scheme);
    const Bytes unpacked = read_texture_file(c.file);
    EXPECT_EQ(unpacked, kArchive) << c.scheme;
  }
}

TEST(TextureFile, RefusesTheSchemesItDoesNotReadByName) {
  const std::string unknown =
      "the texture file is neither an SHPI texture archive nor a QFS stream";
  const struct {
    Bytes file;
    std::string message;
  } cases[] = {
      {{0x47, 0xFB, 0, 0, 0, 0, 0, 0, 0xFF, 0},
       "the texture file uses the 47 FB BTree header, which tromvex does not read"},
      {{0x4A, 0xFB, 0, 0, 1, 0},
       "the texture file uses the 4A FB RLE scheme, which tromvex does not read"},
      {{0x4A, 0x31, 0, 1, 0},
       "the texture file uses the 4A 31 RLE scheme, which tromvex does not read"},
      {{0xC0, 0xFB, 0, 1},
       "the texture file uses the C0 FB archive directory, which tromvex does not read"},
      {{0x90, 0xFB, 0, 0, 0, 0},
       "the texture file uses the 90 FB RefPack header with 4-byte sizes, which tromvex does not read"},
      {{0x91, 0xFB, 0, 0, 0, 0},
       "the texture file uses the 91 FB RefPack header with 4-byte sizes, which tromvex does not read"},
      {{0x36, 0xFB, 0, 0, 0, 0}, unknown},
      {{0xC6, 0xFB, 0, 0, 0, 0}, unknown},
      {{0x10, 0xFA, 0, 0, 0}, unknown},
      {{'S', 'H', 'P'}, unknown},
      {{0x10}, unknown},
      {{}, unknown},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(test::rejection_of([&] { read_texture_file(c.file); }), c.message);
    EXPECT_THROW(texture_file_scheme(c.file), MalformedFile);
  }
}

}  // namespace
}  // namespace tromvex
