// The console as the driver sees it: results and failures out, one key in.
#pragma once

#include <string_view>

namespace tromvex {

class Console {
 public:
  virtual ~Console() = default;
  // Writes text exactly as given, with no line break added, to standard output: what a run
  // did. The system console throws nothing; a console that keeps the text may throw
  // std::bad_alloc.
  virtual void print(std::string_view text) = 0;
  // As print, to standard error: what went wrong (a failure, a refusal, wrong arguments). What
  // was printed before stays ahead of it.
  virtual void print_error(std::string_view text) = 0;
  // Flushes what was printed, then waits for one key press; returns its character code
  // (0 for an extended key, and at once with 0 when there is no console). Throws nothing.
  virtual int wait_for_key() = 0;
};

// The process's own console: standard output, standard error and the terminal's keyboard.
class SystemConsole final : public Console {
 public:
  void print(std::string_view text) override;
  void print_error(std::string_view text) override;
  int wait_for_key() override;
};

}  // namespace tromvex
