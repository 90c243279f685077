// A bounds-checked cursor over a whole-file image; every parser reads file bytes through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "common/bytes.hpp"

namespace tromvex {

// Reads little-endian (and big-endian) fields from a byte image without ever leaving it. The reader
// names what it is reading (its subject, e.g. "part 7 of the GEO file"); a read that
// would pass the end throws MalformedFile("<subject> ends past its end"), and no other
// member throws.
class ByteReader {
 public:
  // Views bytes, which must outlive the reader. Throws nothing.
  ByteReader(std::span<const std::uint8_t> bytes, std::string subject);

  // Names what the next reads belong to, for the message of a read past the end. Throws nothing.
  void set_subject(std::string subject);
  const std::string& subject() const { return subject_; }

  // The image's size, the read position and the bytes after it. Throw nothing.
  std::size_t size() const { return bytes_.size(); }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return bytes_.size() - position_; }

  // Moves to an absolute position; a position past the end throws MalformedFile.
  void seek(std::size_t position) {
    if (position > bytes_.size()) fail_past_end();
    position_ = position;
  }

  // Throws MalformedFile unless at least count bytes remain. Written as count > size - position,
  // so that no sum can overflow.
  void require(std::size_t count) const {
    if (count > bytes_.size() - position_) fail_past_end();
  }

  // Each of these reads the next field and moves past it; one that would pass the end throws
  // MalformedFile and does not move.
  void skip(std::size_t count) {
    require(count);
    position_ += count;
  }

  std::uint8_t u8() {
    require(1);
    return bytes_[position_++];
  }

  std::uint32_t u32() {
    require(4);
    const std::uint32_t value = read_u32_le(bytes_.data() + position_);
    position_ += 4;
    return value;
  }
  std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
  std::int16_t s16() {
    require(2);
    const std::int16_t value = read_s16_le(bytes_.data() + position_);
    position_ += 2;
    return value;
  }
  std::uint32_t u32_be() {
    require(4);
    const std::uint32_t value = read_u32_be(bytes_.data() + position_);
    position_ += 4;
    return value;
  }

  // The next count bytes, as a view into the image; advances past them. Throws as the reads.
  std::span<const std::uint8_t> take(std::size_t count) {
    require(count);
    const auto view = bytes_.subspan(position_, count);
    position_ += count;
    return view;
  }

 private:
  [[noreturn]] void fail_past_end() const;

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;  // always <= bytes_.size()
  std::string subject_;
};

}  // namespace tromvex
