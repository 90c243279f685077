// Reads one key from the controlling terminal (POSIX).
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>

#include "app/platform.hpp"

namespace tromvex {
namespace {

constexpr unsigned char kEscape = 0x1B;
constexpr unsigned char kFirstPrintable = 0x20;  // space
constexpr unsigned char kLastPrintable = 0x7E;   // '~'
// An arrow or function key arrives as one escape sequence of a few bytes; one read of this
// many takes any of them whole.
constexpr std::size_t kKeyReadSize = 64;
// After the key, input that keeps arriving within this many tenths of a second still belongs
// to it (the tail of an escape sequence, a paste) and is drained rather than left to the shell.
constexpr cc_t kDrainTenths = 1;

int open_terminal() {
  int fd;
  do {
    fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// A read that a signal interrupted is tried again; -1 is a real error.
ssize_t read_retrying(int fd, unsigned char* buffer, std::size_t size) {
  ssize_t count;
  do {
    count = read(fd, buffer, size);
  } while (count < 0 && errno == EINTR);
  return count;
}

bool set_mode(int fd, const termios& mode) {
  int result;
  do {
    result = tcsetattr(fd, TCSANOW, &mode);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

// Reads whatever arrives until the terminal stays quiet for a moment; returns how many bytes
// it swallowed.
std::size_t drain_input(int fd, termios mode) {
  mode.c_cc[VMIN] = 0;
  mode.c_cc[VTIME] = kDrainTenths;
  if (!set_mode(fd, mode)) return 0;
  std::size_t drained = 0;
  unsigned char rest[kKeyReadSize];
  for (;;) {
    const ssize_t count = read_retrying(fd, rest, sizeof rest);
    if (count <= 0) return drained;
    drained += static_cast<std::size_t>(count);
  }
}

// Reads one key in non-canonical mode without echo; returns its code, 0 for an extended key
// or when the terminal gives nothing.
int read_key(int fd, const termios& saved) {
  termios raw = saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));  // ISIG stays: Ctrl-C still ends us
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  // TCSANOW, not TCSAFLUSH: a key typed before the prompt appeared still counts.
  if (!set_mode(fd, raw)) return 0;

  unsigned char keys[kKeyReadSize];
  const ssize_t count = read_retrying(fd, keys, sizeof keys);
  if (count <= 0) return 0;
  const std::size_t drained = drain_input(fd, raw);
  // An escape with more bytes behind it, in this read or just after, is an extended key.
  if (keys[0] == kEscape && (count > 1 || drained > 0)) return 0;
  return keys[0];
}

// Echoes printable characters only: a control byte such as a raw escape would change what
// the terminal does with the output that follows.
void echo_key(int fd, int key) {
  if (key < kFirstPrintable || key > kLastPrintable) return;
  const auto byte = static_cast<unsigned char>(key);
  while (write(fd, &byte, 1) < 0 && errno == EINTR) {
  }
}

}  // namespace

int wait_for_key() {
  std::fflush(stdout);
  const int fd = open_terminal();
  if (fd < 0) return 0;  // no terminal: nobody to wait for

  int key = 0;
  termios saved{};
  // Only the foreground job may read the terminal; a background one would be stopped.
  if (tcgetpgrp(fd) == getpgrp() && tcgetattr(fd, &saved) == 0) {
    key = read_key(fd, saved);
    set_mode(fd, saved);
    echo_key(fd, key);
  }
  close(fd);
  return key;
}

void write_console_text(std::string_view text, ConsoleStream stream) {
  std::FILE* file = stream == ConsoleStream::output ? stdout : stderr;
  if (file == stderr) std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), file);
}

bool standard_output_is_terminal() { return isatty(STDOUT_FILENO) == 1; }

// A terminal window stays open after the programs run in it.
bool owns_console_window() { return false; }

}  // namespace tromvex
