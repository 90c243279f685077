// Recognises a texture file by its first bytes and unpacks it into its SHPI archive image.
#include "texture/texture_file.hpp"

#include <utility>

#include "common/malformed_file.hpp"
#include "common/records.hpp"
#include "texture/btree.hpp"
#include "texture/huffman.hpp"
#include "texture/qfs.hpp"

namespace tromvex {
namespace {

enum class Scheme { plain_shpi, refpack, huffman, btree };

// The magics are listed in docs/formats.md, "Recognising a texture file".
// The second byte of every stream magic but one RLE form.
constexpr std::uint8_t kMagicLowByte = 0xFB;
constexpr std::uint8_t kRefPackWide = 0x90;  // and 0x91: RefPack with 4-byte sizes
constexpr std::uint8_t kBTreeExtraField = 0x47;
constexpr std::uint8_t kRle = 0x4A;
constexpr std::uint8_t kRleShortLowByte = 0x31;  // 4A 31: RLE with a 16-bit output length
constexpr std::uint8_t kArchiveDirectory = 0xC0;

std::string magic_of(std::span<const std::uint8_t> file) {
  return hex_byte(file[0]) + " " + hex_byte(file[1]);
}

[[noreturn]] void refuse_unread(std::span<const std::uint8_t> file, const std::string& what) {
  throw MalformedFile("the texture file uses the " + magic_of(file) + " " + what +
                      ", which tromvex does not read");
}

Scheme scheme_of(std::span<const std::uint8_t> file) {
  if (is_shpi_archive(file)) return Scheme::plain_shpi;
  if (file.size() >= 2 && file[1] == kMagicLowByte) {
    const std::uint8_t high = file[0];
    if (high == 0x10 || high == 0x11) return Scheme::refpack;
    if (has_huffman_magic(file)) return Scheme::huffman;
    if (has_btree_magic(file)) return Scheme::btree;
    if ((high & 0xFE) == kRefPackWide) refuse_unread(file, "RefPack header with 4-byte sizes");
    if (high == kBTreeExtraField) refuse_unread(file, "BTree header");
    if (high == kRle) refuse_unread(file, "RLE scheme");
    if (high == kArchiveDirectory) refuse_unread(file, "archive directory");
  }
  if (file.size() >= 2 && file[0] == kRle && file[1] == kRleShortLowByte) {
    refuse_unread(file, "RLE scheme");
  }
  throw MalformedFile("the texture file is neither an SHPI texture archive nor a QFS stream");
}

}  // namespace

bool is_shpi_archive(std::span<const std::uint8_t> image) {
  return image.size() >= 4 && image[0] == 'S' && image[1] == 'H' && image[2] == 'P' &&
         image[3] == 'I';
}

std::string texture_file_scheme(std::span<const std::uint8_t> file) {
  switch (scheme_of(file)) {
    case Scheme::plain_shpi:
      return "plain SHPI";
    case Scheme::refpack:
      return "RefPack " + magic_of(file);
    case Scheme::huffman:
      return "Huffman " + magic_of(file);
    case Scheme::btree:
      return "BTree " + magic_of(file);
  }
  return magic_of(file);
}

Bytes read_texture_file(Bytes file) {
  switch (scheme_of(file)) {
    case Scheme::plain_shpi:
      return file;
    case Scheme::refpack:
      return qfs_decompress(std::move(file));
    case Scheme::huffman: {
      const Bytes stream = std::move(file);  // released when this call returns
      return huffman_decompress(stream);
    }
    case Scheme::btree: {
      const Bytes stream = std::move(file);
      return btree_decompress(stream);
    }
  }
  return file;
}

}  // namespace tromvex
