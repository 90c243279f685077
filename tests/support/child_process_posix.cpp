// Runs a piece of a test in a child process (POSIX).
#include "support/child_process.hpp"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace tromvex::test {
namespace {

constexpr uid_t kNobody = 65534;
// The child's status when it could not set itself up; no test body returns it.
constexpr int kSetupFailed = 100;

}  // namespace

int status_in_child(const std::function<int()>& body) {
  std::fflush(nullptr);  // nothing buffered here is written twice by the child
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) != kSetupFailed ? WEXITSTATUS(status) : -1;
}

int status_as_ordinary_user(const std::function<int()>& body) {
  return status_in_child([&body] {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) return kSetupFailed;
    return body();
  });
}

int status_with_file_size_limit(std::size_t file_size, const std::function<int()>& body) {
  return status_in_child([&] {
    const rlimit limit{file_size, file_size};
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return kSetupFailed;
    return body();
  });
}

}  // namespace tromvex::test
