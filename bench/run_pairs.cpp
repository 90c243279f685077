// tromvex_run_pairs: runs two commands in alternating pairs and prints the median wall time and
// minor page faults of each and the median of the per-pair time ratios, for the end-to-end
// comparison of tromvex against the I/O floor. Each run gets its own session (no console, so
// tromvex's closing pause returns at once), /dev/null as standard input and output, and must
// exit with status 0.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Sample {
  double seconds = 0.0;
  long minor_faults = 0;
};

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "tromvex_run_pairs: %s\n", message.c_str());
  std::exit(1);
}

Sample run_once(std::vector<char*>& command) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) fail("cannot fork");
  if (child == 0) {
    setsid();
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    execv(command[0], command.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) fail("cannot wait for " + std::string(command[0]));
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail(std::string(command[0]) + " failed");
  return {std::chrono::duration<double>(end - start).count(), usage.ru_minflt};
}

template <typename T>
T median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  // tromvex_run_pairs PAIRS -- A... -- B...
  std::vector<char*> a;
  std::vector<char*> b;
  int separators = 0;
  for (int i = 2; i < argc; ++i) {
    if (std::string(argv[i]) == "--") {
      ++separators;
      continue;
    }
    (separators == 1 ? a : b).push_back(argv[i]);
  }
  const int pairs = argc > 1 ? std::atoi(argv[1]) : 0;
  if (pairs < 1 || separators != 2 || a.empty() || b.empty()) {
    std::fputs("Usage: tromvex_run_pairs PAIRS -- COMMAND_A... -- COMMAND_B...\n", stderr);
    return 2;
  }
  a.push_back(nullptr);
  b.push_back(nullptr);

  for (int warmup = 0; warmup < 5; ++warmup) {
    run_once(a);
    run_once(b);
  }
  std::vector<double> a_times, b_times, ratios;
  std::vector<long> a_faults, b_faults;
  for (int pair = 0; pair < pairs; ++pair) {
    // Alternate which command goes first, so that neither always follows the other.
    const bool a_first = pair % 2 == 0;
    const Sample first = run_once(a_first ? a : b);
    const Sample second = run_once(a_first ? b : a);
    const Sample& sa = a_first ? first : second;
    const Sample& sb = a_first ? second : first;
    a_times.push_back(sa.seconds);
    b_times.push_back(sb.seconds);
    ratios.push_back(sa.seconds / sb.seconds);
    a_faults.push_back(sa.minor_faults);
    b_faults.push_back(sb.minor_faults);
  }
  const long fa = median(a_faults);
  const long fb = median(b_faults);
  std::printf(
      "pairs %d: A %.3f ms, B %.3f ms, median ratio A/B %.3f; minor faults A %ld, B %ld (%.3fx)\n",
      pairs, median(a_times) * 1e3, median(b_times) * 1e3, median(ratios), fa, fb,
      static_cast<double>(fa) / static_cast<double>(fb));
  return 0;
}
