// UTF-8 text to the UTF-16 that the Windows API takes.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tromvex {

// Nothing for bytes that are not UTF-8. Throws std::bad_alloc only.
inline std::optional<std::wstring> to_wide(std::string_view text) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      wide.data(), length);
  return wide;
}

}  // namespace tromvex
