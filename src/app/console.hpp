// The console as the driver sees it: text out, one key in.
#pragma once

#include <string_view>

namespace tromvex {

class Console {
 public:
  virtual ~Console() = default;
  // Writes text exactly as given, with no line break added. The system console throws
  // nothing; a console that keeps the text may throw std::bad_alloc.
  virtual void print(std::string_view text) = 0;
  // Flushes what was printed, then waits for one key press; returns its character code
  // (0 for an extended key, and at once with 0 when there is no console). Throws nothing.
  virtual int wait_for_key() = 0;
};

// The process's own console: standard output and the terminal's keyboard.
class SystemConsole final : public Console {
 public:
  void print(std::string_view text) override;
  int wait_for_key() override;
};

}  // namespace tromvex
