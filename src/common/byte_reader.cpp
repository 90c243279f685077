// A bounds-checked cursor over a whole-file image.
#include "common/byte_reader.hpp"

#include <utility>

#include "common/bytes.hpp"
#include "common/malformed_file.hpp"

namespace tromvex {

ByteReader::ByteReader(std::span<const std::uint8_t> bytes, std::string subject)
    : bytes_(bytes), subject_(std::move(subject)) {}

void ByteReader::set_subject(std::string subject) { subject_ = std::move(subject); }

void ByteReader::fail_past_end() const { throw MalformedFile(subject_ + " ends past its end"); }

std::uint32_t ByteReader::u32() {
  require(4);
  const std::uint32_t value = read_u32_le(bytes_.data() + position_);
  position_ += 4;
  return value;
}

std::int16_t ByteReader::s16() {
  require(2);
  const std::int16_t value = read_s16_le(bytes_.data() + position_);
  position_ += 2;
  return value;
}

std::uint32_t ByteReader::u32_be() {
  require(4);
  const std::uint32_t value = read_u32_be(bytes_.data() + position_);
  position_ += 4;
  return value;
}

}  // namespace tromvex
