// Helpers of the shared records.
#include "common/records.hpp"

namespace tromvex {

std::string printable_name(const TextureName& name) {
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const std::uint8_t byte : name) {
    if (byte == 0) break;
    if (byte >= 0x20 && byte < 0x7F && byte != '\'' && byte != '\\') {
      text += static_cast<char>(byte);
    } else {
      text += "\\x";
      text += kHexDigits[byte >> 4];
      text += kHexDigits[byte & 0x0F];
    }
  }
  return text;
}

}  // namespace tromvex
