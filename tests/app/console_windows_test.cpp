// Tests of the Windows key read: fed through the console's own input queue, read back from
// its screen; skipped where the process has no console.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/platform.hpp"
#include "support/subprocess.hpp"

namespace tromvex {
namespace {

constexpr DWORD kLineAndEcho = ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;
constexpr wchar_t kNoCharacter = 0;

INPUT_RECORD key_event(WORD virtual_key, wchar_t character, bool down) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down;
  record.Event.KeyEvent.wRepeatCount = 1;
  record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
  record.Event.KeyEvent.uChar.UnicodeChar = character;
  return record;
}

INPUT_RECORD focus_event() {
  INPUT_RECORD record{};
  record.EventType = FOCUS_EVENT;
  record.Event.FocusEvent.bSetFocus = TRUE;
  return record;
}

class WaitForKeyWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    input_ = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    output_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (input_ == INVALID_HANDLE_VALUE || output_ == INVALID_HANDLE_VALUE ||
        !GetConsoleMode(input_, &saved_mode_)) {
      GTEST_SKIP() << "no console to read keys from (run under a terminal, e.g. with script)";
    }
    // Line input and echo on, as at a command prompt, so the read has something to turn off.
    ASSERT_TRUE(SetConsoleMode(input_, saved_mode_ | kLineAndEcho));
    ASSERT_TRUE(FlushConsoleInputBuffer(input_));
  }

  void TearDown() override {
    if (input_ != INVALID_HANDLE_VALUE) {
      SetConsoleMode(input_, saved_mode_);
      CloseHandle(input_);
    }
    if (output_ != INVALID_HANDLE_VALUE) CloseHandle(output_);
  }

  void feed(const std::vector<INPUT_RECORD>& events) {
    DWORD written = 0;
    ASSERT_TRUE(
        WriteConsoleInputW(input_, events.data(), static_cast<DWORD>(events.size()), &written));
    ASSERT_EQ(written, events.size());
  }

  DWORD mode() const {
    DWORD current = 0;
    GetConsoleMode(input_, &current);
    return current;
  }

  COORD cursor() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(output_, &info);
    return info.dwCursorPosition;
  }

  // The characters written at from onwards, as far as the cursor now stands on the same line.
  std::wstring echoed_since(COORD from) const {
    const COORD now = cursor();
    if (now.Y != from.Y || now.X <= from.X) return std::wstring();
    std::wstring text(static_cast<std::size_t>(now.X - from.X), L'\0');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(output_, text.data(), static_cast<DWORD>(text.size()), from, &read);
    text.resize(read);
    return text;
  }

  // Starts each key on a fresh line, so that its echo is easy to find.
  COORD fresh_line() {
    DWORD written = 0;
    WriteConsoleW(output_, L"\r\n", 2, &written, nullptr);
    return cursor();
  }

  HANDLE input_ = INVALID_HANDLE_VALUE;
  HANDLE output_ = INVALID_HANDLE_VALUE;
  DWORD saved_mode_ = 0;
};

TEST_F(WaitForKeyWindows, SkipsModifiersReleasesAndOtherEventsThenTakesTheKey) {
  const DWORD before = mode();
  const COORD start = fresh_line();
  feed({key_event(VK_SHIFT, kNoCharacter, true), key_event(VK_LWIN, kNoCharacter, true),
        key_event(VK_CAPITAL, kNoCharacter, true), key_event('J', L'j', false), focus_event(),
        key_event('K', L'k', true)});
  EXPECT_EQ(wait_for_key(), 'k');
  EXPECT_EQ(echoed_since(start), L"k");
  EXPECT_EQ(mode(), before);
}

struct KeyCase {
  const char* name;
  std::vector<INPUT_RECORD> events;
  int code;
  std::wstring echo;
};

TEST_F(WaitForKeyWindows, ReturnsTheCodePointAndEchoesOnlyPrintableKeys) {
  const KeyCase cases[] = {
      {"arrow", {key_event(VK_LEFT, kNoCharacter, true)}, 0, L""},
      {"function key", {key_event(VK_F5, kNoCharacter, true)}, 0, L""},
      {"enter", {key_event(VK_RETURN, L'\r', true)}, 13, L""},
      {"escape", {key_event(VK_ESCAPE, 0x1B, true)}, 27, L""},
      {"space", {key_event(VK_SPACE, L' ', true)}, 32, L" "},
      {"e acute", {key_event(VK_PACKET, 0x00E9, true)}, 0xE9, L"\u00e9"},
      // U+1F600 arrives as its two UTF-16 halves.
      {"astral",
       {key_event(VK_PACKET, 0xD83D, true), key_event(VK_PACKET, 0xDE00, true)},
       0x1F600,
       L"\U0001F600"},
  };
  for (const KeyCase& key : cases) {
    SCOPED_TRACE(key.name);
    ASSERT_TRUE(FlushConsoleInputBuffer(input_));
    const DWORD before = mode();
    const COORD start = fresh_line();
    feed(key.events);
    EXPECT_EQ(wait_for_key(), key.code);
    EXPECT_EQ(echoed_since(start), key.echo);
    EXPECT_EQ(mode(), before);
  }
}

// The key is fed only once the read has switched line input and echo off, as a user types
// at the prompt; if it never does, another key is fed after a while so the test ends.
TEST_F(WaitForKeyWindows, TurnsLineInputAndEchoOffWhileWaiting) {
  const DWORD before = mode();
  std::thread typist([this] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((mode() & kLineAndEcho) != 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool switched = (mode() & kLineAndEcho) == 0;
    const INPUT_RECORD key = key_event('A', switched ? L'a' : L'x', true);
    DWORD written = 0;
    WriteConsoleInputW(input_, &key, 1, &written);
  });
  const int code = wait_for_key();
  typist.join();
  EXPECT_EQ(code, 'a');
  EXPECT_EQ(mode(), before);
}

// Started with no console at all, the program cannot wait for a key and must not hang.
// Messages name files as typed: on a console they must show as Unicode, not as the UTF-8
// bytes read through the console's code page.
TEST_F(WaitForKeyWindows, ConsoleTextShowsNamesBeyondAsciiAsTyped) {
  for (const auto& [stream, handle] : {std::pair{ConsoleStream::output, STD_OUTPUT_HANDLE},
                                       std::pair{ConsoleStream::error, STD_ERROR_HANDLE}}) {
    const HANDLE saved = GetStdHandle(handle);
    ASSERT_TRUE(SetStdHandle(handle, output_));
    const COORD start = fresh_line();
    write_console_text("v\xC3\xA4gen-\xC3\x9F.geo", stream);
    const std::wstring shown = echoed_since(start);
    SetStdHandle(handle, saved);
    EXPECT_EQ(shown, L"v\u00e4gen-\u00df.geo");
  }
}

TEST(WaitForKeyWindowsNoConsole, ThePauseReturnsAtOnce) {
  const auto result = test::run_process(TROMVEX_EXE, {"tromvex"}, std::chrono::seconds(20));
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, 1);
  const std::string prompt = "\nPress any key...";
  ASSERT_GE(result.output.size(), prompt.size());
  EXPECT_EQ(result.output.substr(result.output.size() - prompt.size()), prompt);
}

}  // namespace
}  // namespace tromvex

#endif  // _WIN32
