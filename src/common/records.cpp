// Helpers of the shared records.
#include "common/records.hpp"

namespace tromvex {

std::string printable_name(const TextureName& name) {
  std::string_view text(reinterpret_cast<const char*>(name.data()), name.size());
  return printable_name(text.substr(0, text.find('\0')));
}

std::string printable_name(std::string_view name) {
  std::string text;
  for (const char character : name) {
    const auto byte = static_cast<std::uint8_t>(character);
    if (byte >= 0x20 && byte < 0x7F && byte != '\'' && byte != '\\') {
      text += static_cast<char>(byte);
    } else {
      text += "\\x" + hex_byte(byte);
    }
  }
  return text;
}

std::string hex_byte(std::uint8_t value) {
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  return {kHexDigits[value >> 4], kHexDigits[value & 0x0F]};
}

}  // namespace tromvex
