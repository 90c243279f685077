// Runs a program as a child process with no terminal and collects what it printed (POSIX).
#include "support/subprocess.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace tromvex::test {
namespace {

constexpr int kExecFailedStatus = 127;

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void exec_child(const std::string& program, std::vector<char*>& argv, int output_fd,
                             int error_fd) {
  setsid();
  const int null_in = open("/dev/null", O_RDONLY);
  if (null_in < 0 || dup2(null_in, STDIN_FILENO) < 0 || dup2(output_fd, STDOUT_FILENO) < 0 ||
      dup2(error_fd, STDERR_FILENO) < 0) {
    _exit(kExecFailedStatus);
  }
  execv(program.c_str(), argv.data());
  _exit(kExecFailedStatus);
}

// Reads both pipes until their writers are gone or the deadline passes; false on the deadline.
bool read_until_closed(int output_fd, std::string& output, int error_fd, std::string& errors,
                       std::chrono::steady_clock::time_point deadline) {
  pollfd watched[2]{{output_fd, POLLIN, 0}, {error_fd, POLLIN, 0}};
  std::string* texts[2]{&output, &errors};
  int open_pipes = 2;
  while (open_pipes > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const int ready = poll(watched, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    for (int i = 0; i < 2; ++i) {
      if (watched[i].fd < 0 || watched[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t count = read(watched[i].fd, buffer, sizeof buffer);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) {
        watched[i].fd = -1;  // poll skips it from now on
        --open_pipes;
        continue;
      }
      texts[i]->append(buffer, static_cast<std::size_t>(count));
    }
  }
  return true;
}

int wait_status(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          std::chrono::milliseconds timeout) {
  std::vector<std::string> copies = args;
  std::vector<char*> argv;
  for (auto& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int output_pipe[2], error_pipe[2];
  if (pipe2(output_pipe, O_CLOEXEC) != 0 || pipe2(error_pipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  std::fflush(nullptr);  // nothing buffered here is written twice by the child
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) exec_child(program, argv, output_pipe[1], error_pipe[1]);
  close(output_pipe[1]);
  close(error_pipe[1]);

  ProcessResult result;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  if (!read_until_closed(output_pipe[0], result.output, error_pipe[0], result.errors, deadline)) {
    result.timed_out = true;
    kill(child, SIGKILL);
  }
  close(output_pipe[0]);
  close(error_pipe[0]);
  result.exit_status = wait_status(child);
  if (result.timed_out) result.exit_status = -1;
  return result;
}

}  // namespace tromvex::test
