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
[[noreturn]] void exec_child(const std::string& program, std::vector<char*>& argv, int output_fd) {
  setsid();
  const int null_in = open("/dev/null", O_RDONLY);
  const int null_err = open("/dev/null", O_WRONLY);
  if (null_in < 0 || null_err < 0 || dup2(null_in, STDIN_FILENO) < 0 ||
      dup2(output_fd, STDOUT_FILENO) < 0 || dup2(null_err, STDERR_FILENO) < 0) {
    _exit(kExecFailedStatus);
  }
  execv(program.c_str(), argv.data());
  _exit(kExecFailedStatus);
}

// Reads the pipe until its writer is gone or the deadline passes; false on the deadline.
bool read_until_closed(int fd, std::string& output,
                       std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd watched{fd, POLLIN, 0};
    const int ready = poll(&watched, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char buffer[4096];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return true;
    output.append(buffer, static_cast<std::size_t>(count));
  }
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

  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::fflush(nullptr);  // nothing buffered here is written twice by the child
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) exec_child(program, argv, pipe_fds[1]);
  close(pipe_fds[1]);

  ProcessResult result;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  if (!read_until_closed(pipe_fds[0], result.output, deadline)) {
    result.timed_out = true;
    kill(child, SIGKILL);
  }
  close(pipe_fds[0]);
  result.exit_status = wait_status(child);
  if (result.timed_out) result.exit_status = -1;
  return result;
}

}  // namespace tromvex::test
