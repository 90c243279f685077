// Reads one key from the console (Windows).
#include <windows.h>

#include <cstdio>

#include "app/platform.hpp"
#include "app/utf16_windows.hpp"

namespace tromvex {
namespace {

// Closes a console handle when the read is over, whichever way it ends.
class ConsoleHandle {
 public:
  explicit ConsoleHandle(const wchar_t* name)
      : handle_(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~ConsoleHandle() {
    if (is_open()) CloseHandle(handle_);
  }
  ConsoleHandle(const ConsoleHandle&) = delete;
  ConsoleHandle& operator=(const ConsoleHandle&) = delete;

  bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Puts the console's previous mode back when the read is over.
class ModeRestorer {
 public:
  ModeRestorer(HANDLE console, DWORD saved) : console_(console), saved_(saved) {}
  ~ModeRestorer() { SetConsoleMode(console_, saved_); }
  ModeRestorer(const ModeRestorer&) = delete;
  ModeRestorer& operator=(const ModeRestorer&) = delete;

 private:
  HANDLE console_;
  DWORD saved_;
};

// Shift, Ctrl, Alt, the Windows keys and the lock keys do not end the pause when pressed alone.
bool is_lone_modifier(WORD virtual_key) {
  switch (virtual_key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
      return true;
    default:
      return false;
  }
}

bool is_high_surrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// C0 and C1 controls and DEL: echoing Enter, Escape or Backspace would move the cursor or
// disturb the prompt instead of showing the key.
bool is_printable(char32_t code) {
  return code >= 0x20 && code != 0x7F && !(code >= 0x80 && code <= 0x9F);
}

// Waits for the next key press that ends the pause; false when the console cannot be read.
bool read_key_press(HANDLE console, KEY_EVENT_RECORD& key) {
  for (;;) {
    INPUT_RECORD record{};
    DWORD read = 0;
    if (!ReadConsoleInputW(console, &record, 1, &read)) return false;
    if (read != 1 || record.EventType != KEY_EVENT) continue;  // mouse, focus, size, menu
    const KEY_EVENT_RECORD& event = record.Event.KeyEvent;
    if (!event.bKeyDown || is_lone_modifier(event.wVirtualKeyCode)) continue;
    key = event;
    return true;
  }
}

// A character outside the Basic Multilingual Plane arrives as two key events, one per UTF-16
// unit; joins them into one code point. A high surrogate with no partner stands for itself.
char32_t code_of(HANDLE console, wchar_t unit) {
  if (!is_high_surrogate(unit)) return unit;
  KEY_EVENT_RECORD next{};
  if (!read_key_press(console, next) || !is_low_surrogate(next.uChar.UnicodeChar)) return unit;
  return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
         (static_cast<char32_t>(next.uChar.UnicodeChar) - 0xDC00);
}

// Shows the key pressed after the prompt, through the console itself.
void echo(char32_t code) {
  if (!is_printable(code)) return;
  ConsoleHandle output(L"CONOUT$");
  if (!output.is_open()) return;
  wchar_t units[2];
  DWORD count = 1;
  if (code >= 0x10000) {
    units[0] = static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    count = 2;
  } else {
    units[0] = static_cast<wchar_t>(code);
  }
  DWORD written = 0;
  WriteConsoleW(output.get(), units, count, &written, nullptr);
}

}  // namespace

// The code returned is the key's Unicode code point (UTF-16 joined), independent of the
// console's code page; Enter gives 13, extended keys 0.
int wait_for_key() {
  std::fflush(stdout);
  ConsoleHandle input(L"CONIN$");
  if (!input.is_open()) return 0;
  DWORD saved_mode = 0;
  if (!GetConsoleMode(input.get(), &saved_mode)) return 0;  // not a real console
  char32_t code = 0;
  {
    // Ctrl-C keeps ending the program: processed input is left as it was.
    ModeRestorer restorer(input.get(), saved_mode);
    SetConsoleMode(input.get(),
                   saved_mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
    KEY_EVENT_RECORD key{};
    if (!read_key_press(input.get(), key)) return 0;
    code = code_of(input.get(), key.uChar.UnicodeChar);
  }
  echo(code);
  return static_cast<int>(code);
}

// On a console, text goes out as UTF-16, so that file names beyond ASCII show as typed
// whatever the console's code page; redirected output stays the UTF-8 bytes.
bool standard_output_is_terminal() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  return output != nullptr && output != INVALID_HANDLE_VALUE && GetConsoleMode(output, &mode);
}

// A prompt shares its console with the programs it starts; a program started by Explorer gets
// a console of its own, which closes with it.
bool owns_console_window() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

void write_console_text(std::string_view text, ConsoleStream stream) {
  const bool is_error = stream == ConsoleStream::error;
  const HANDLE handle = GetStdHandle(is_error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  const bool on_console =
      handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
  const std::optional<std::wstring> wide = on_console ? to_wide(text) : std::nullopt;
  // Keeps the order with what went out through the C stream of standard output before.
  if (is_error || wide) std::fflush(stdout);
  if (wide) {
    DWORD written = 0;
    WriteConsoleW(handle, wide->data(), static_cast<DWORD>(wide->size()), &written, nullptr);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), is_error ? stderr : stdout);
}

}  // namespace tromvex
