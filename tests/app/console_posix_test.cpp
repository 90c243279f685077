// Tests of the pause's key read from the terminal, with the program run on a pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/platform.hpp"

namespace tromvex {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kDeadline = 5s;
const std::string kPrompt = "\nPress any key...";
const std::string kUnreadInput = "stdin bytes";
constexpr char kTerminalMarker =
    '#';  // written to the terminal by the child once the pause is over

// Reads what fd has to give until stop(text) holds, the writer is gone, or the deadline passes.
template <typename Stop>
std::string read_until(int fd, Clock::time_point deadline, Stop stop) {
  std::string text;
  while (!stop(text)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    pollfd watched{fd, POLLIN, 0};
    if (poll(&watched, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[256];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0) break;
    text.append(buffer, static_cast<std::size_t>(count));
  }
  return text;
}

// Waits for the child to end, killing it at the deadline; returns its exit status or -1.
int finish(pid_t child, Clock::time_point deadline) {
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(5ms);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The child's side: stdin is a pipe holding kUnreadInput, stdout a fully buffered pipe. It
// prints the prompt, pauses, then reports on stdout whether the terminal's mode is back,
// how many input bytes the terminal still holds, and what stdin still holds.
[[noreturn]] void pause_on_terminal(int input_fd, int output_fd) {
  dup2(input_fd, STDIN_FILENO);
  dup2(output_fd, STDOUT_FILENO);
  close(input_fd);
  close(output_fd);
  static char buffer[BUFSIZ];
  setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

  std::fputs(kPrompt.c_str(), stdout);
  const int key = wait_for_key();

  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY);
  termios mode{};
  tcgetattr(tty, &mode);
  int pending = -1;
  ioctl(tty, FIONREAD, &pending);
  const char marker = kTerminalMarker;
  write(tty, &marker, 1);
  std::string unread;
  char byte;
  while (read(STDIN_FILENO, &byte, 1) == 1) unread += byte;
  std::printf("|restored=%d|pending=%d|stdin=%s",
              (mode.c_lflag & (ICANON | ECHO)) == (ICANON | ECHO), pending, unread.c_str());
  std::fflush(stdout);
  _exit(key);
}

struct PauseResult {
  bool prompt_before_pause = false;  // the prompt had reached stdout when the pause began
  bool mode_switched = false;        // line input and echo were off during the pause
  std::string echo;                  // what the terminal showed because of the key
  std::string report;                // the child's report after the pause
  int exit_status = -1;              // the key code that wait_for_key returned
};

// Runs the pause on a pseudo-terminal and types first, then (a moment later) rest.
PauseResult press_key(const std::string& first, const std::string& rest = "") {
  int input[2];
  int output[2];
  if (pipe(input) != 0 || pipe(output) != 0) throw std::runtime_error("pipe failed");
  std::fflush(nullptr);
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child < 0) throw std::runtime_error("forkpty failed");
  if (child == 0) {
    close(input[1]);
    close(output[0]);
    pause_on_terminal(input[0], output[1]);
  }
  close(input[0]);
  close(output[1]);
  write(input[1], kUnreadInput.data(), kUnreadInput.size());
  close(input[1]);

  const auto deadline = Clock::now() + kDeadline;
  PauseResult result;
  const std::string before = read_until(
      output[0], deadline, [](const std::string& text) { return text.size() >= kPrompt.size(); });
  result.prompt_before_pause = before == kPrompt;

  termios mode{};
  while (Clock::now() < deadline && !result.mode_switched) {
    result.mode_switched = tcgetattr(master, &mode) == 0 && (mode.c_lflag & (ICANON | ECHO)) == 0;
    if (!result.mode_switched) std::this_thread::sleep_for(2ms);
  }
  write(master, first.data(), first.size());
  if (!rest.empty()) {
    std::this_thread::sleep_for(20ms);
    write(master, rest.data(), rest.size());
  }

  std::string shown = read_until(master, deadline, [](const std::string& text) {
    return text.find(kTerminalMarker) != std::string::npos;
  });
  result.echo = shown.substr(0, shown.find(kTerminalMarker));
  result.report = read_until(output[0], deadline, [](const std::string&) { return false; });
  result.exit_status = finish(child, deadline);
  close(output[0]);
  close(master);
  return result;
}

const std::string kCleanReport = "|restored=1|pending=0|stdin=" + kUnreadInput;

TEST(WaitForKey, ShowsThePromptReadsTheTerminalAndEchoesTheKey) {
  const PauseResult result = press_key("k");
  EXPECT_TRUE(result.prompt_before_pause) << "the prompt was still buffered during the pause";
  EXPECT_TRUE(result.mode_switched) << "line input and echo stayed on";
  EXPECT_EQ(result.echo, "k");
  EXPECT_EQ(result.exit_status, 'k');
  EXPECT_EQ(result.report, kCleanReport);  // mode restored, stdin untouched, nothing pending
}

TEST(WaitForKey, ReturnsTheByteValueAndEchoesOnlyPrintableKeys) {
  const PauseResult enter = press_key("\n");
  EXPECT_EQ(enter.exit_status, '\n');
  EXPECT_EQ(enter.echo, "");
  EXPECT_EQ(enter.report, kCleanReport);

  const PauseResult high = press_key("\xE9");
  EXPECT_EQ(high.exit_status, 0xE9);
  EXPECT_EQ(high.echo, "");
}

// Extended keys give 0, echo nothing and leave none of their bytes for the shell, also when
// the sequence reaches the terminal in two pieces.
TEST(WaitForKey, ExtendedKeysGiveZeroAndAreReadWhole) {
  struct Case {
    const char* name;
    std::string first, rest;
  };
  for (const Case& c :
       {Case{"arrow up", "\x1b[A", ""}, Case{"F1", "\x1bOP", ""}, Case{"F5", "\x1b[15~", ""},
        Case{"arrow split", "\x1b", "[A"}, Case{"F5 split", "\x1b[1", "5~"}}) {
    const PauseResult result = press_key(c.first, c.rest);
    EXPECT_EQ(result.exit_status, 0) << c.name;
    EXPECT_EQ(result.echo, "") << c.name;
    EXPECT_EQ(result.report, kCleanReport) << c.name;
  }
}

TEST(WaitForKey, WithoutATerminalReturnsAtOnce) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    setsid();  // leaves the test's terminal, if it has one
    const int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, STDIN_FILENO);
    _exit(wait_for_key());
  }
  EXPECT_EQ(finish(child, Clock::now() + kDeadline), 0);
}

// A job in the background may not read the terminal (it would be stopped); it does not wait.
TEST(WaitForKey, InABackgroundJobReturnsAtOnce) {
  std::fflush(nullptr);
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child == 0) {
    const pid_t job = fork();
    if (job == 0) {
      setpgid(0, 0);  // a process group of its own, not the terminal's foreground one
      _exit(wait_for_key() == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(job, &status, 0);
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 2);
  }
  const auto deadline = Clock::now() + kDeadline;
  EXPECT_EQ(finish(child, deadline), 0);
  close(master);
}

}  // namespace
}  // namespace tromvex
