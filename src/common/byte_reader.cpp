// A bounds-checked cursor over a whole-file image.
#include "common/byte_reader.hpp"

#include <utility>

#include "common/malformed_file.hpp"

namespace tromvex {

ByteReader::ByteReader(std::span<const std::uint8_t> bytes, std::string subject)
    : bytes_(bytes), subject_(std::move(subject)) {}

void ByteReader::set_subject(std::string subject) { subject_ = std::move(subject); }

void ByteReader::fail_past_end() const { throw MalformedFile(subject_ + " ends past its end"); }

}  // namespace tromvex
