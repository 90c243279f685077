// Runs a program as a child process with no terminal and collects what it printed.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace tromvex::test {

struct ProcessResult {
  std::string output;      // everything the program wrote to standard output
  std::string errors;      // and to standard error
  int exit_status = -1;    // its exit status; -1 when it did not exit normally
  bool timed_out = false;  // it was still running at the deadline and was killed
};

// Runs program with args (args[0] is passed as the program's name) in a new session, so
// that it has no controlling terminal, with standard input from /dev/null. Kills it when it
// runs longer than timeout.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace tromvex::test
