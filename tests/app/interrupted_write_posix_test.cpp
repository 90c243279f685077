// Tests of what an interrupted or killed write leaves behind (POSIX): a child process is
// stopped while it writes, then interrupted or killed, and the folder is looked at.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/platform.hpp"
#include "app/port_files.hpp"
#include "support/temp_dir.hpp"

namespace tromvex {
namespace {

namespace fs = std::filesystem;
using test::names_in;
using test::read_file;
using test::TempDir;
using test::write_file;

// Whether a named temporary file stands in folder.
bool has_named_temporary(const fs::path& folder) {
  for (const std::string& name : names_in(folder))
    if (name.starts_with(".tromvex-")) return true;
  return false;
}

// Whether process pid has a file open in folder that has no name: Linux shows one made with
// O_TMPFILE as "<folder>/#<inode> (deleted)".
bool has_unnamed_file(pid_t pid, const fs::path& folder) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    const fs::path target = fs::read_symlink(entry.path(), error);
    if (!error && target.string().starts_with(folder.string() + "/#")) return true;
  }
  return false;
}

bool file_system_makes_unnamed_files(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  return true;
}

// A child that does write() again and again, until a signal ends it; killed and reaped
// whatever happens to the test.
class WritingChild {
 public:
  explicit WritingChild(const std::function<void()>& write) {
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      for (;;) write();
    }
  }
  WritingChild(const std::string& target, const Bytes& content, bool unnamed)
      : WritingChild([&target, &content, unnamed] {
          allow_unnamed_temporary_files(unnamed);
          write_whole_file(target, content);
        }) {}
  ~WritingChild() {
    if (!ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  pid_t pid() const { return pid_; }

  // Stops the child at a moment when in_progress() holds, and keeps it stopped; false when
  // that moment does not come within seconds.
  bool stop_while(const std::function<bool()>& in_progress) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      if (!in_progress()) {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        continue;
      }
      int status = 0;
      kill(pid_, SIGSTOP);
      waitpid(pid_, &status, WUNTRACED);
      if (in_progress()) return true;
      kill(pid_, SIGCONT);
    }
    return false;
  }

  // Sends signal and lets the child go on; returns the signal that ended it, -1 for none.
  int end_with(int signal) {
    kill(pid_, signal);
    kill(pid_, SIGCONT);
    int status = 0;
    waitpid(pid_, &status, 0);
    ended_ = true;
    return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
};

// 16 MiB: each write takes long enough to be caught in the middle.
const Bytes kNewContent(std::size_t{16} << 20, 0x5A);
const Bytes kOldContent{1, 2, 3};

// A write interrupted by Ctrl+C, which the handler sees, or killed, which no handler sees: the
// process ends by that signal and the folder holds the target, old or new, and nothing else. The
// handler removes a named temporary file; one without a name goes with the process.
TEST(InterruptedWrite, LeavesTheTargetOldOrNewAndNoTemporaryFile) {
  struct Case {
    bool unnamed;
    int signal;
  };
  for (const Case c : {Case{false, SIGINT}, Case{true, SIGINT}, Case{true, SIGKILL}}) {
    TempDir dir;
    if (c.unnamed && !file_system_makes_unnamed_files(dir.path())) continue;  // no O_TMPFILE
    const std::string target = dir.file("car.fce");
    write_file(target, kOldContent);
    WritingChild child(target, kNewContent, c.unnamed);
    ASSERT_TRUE(child.stop_while([&] {
      return c.unnamed ? has_unnamed_file(child.pid(), dir.path())
                       : has_named_temporary(dir.path());
    }));
    EXPECT_EQ(child.end_with(c.signal), c.signal);
    EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"car.fce"});
    const Bytes left = read_file(target);
    EXPECT_TRUE(left == kOldContent || left == kNewContent) << left.size() << " bytes";
  }
}

// tromvex-port stages each file of a car folder whole before it renames them all into place:
// a staged file, complete but not in place, goes with the interruption too.
TEST(InterruptedWrite, CtrlCRemovesThePortsStagedFiles) {
  TempDir dir;
  const std::vector<CarFolderFile> files{{"car.fce", kNewContent}, {"car00.tga", kNewContent}};
  WritingChild child([&] { write_car_folder(dir.file("SMPL"), files, true); });
  const fs::path folder = dir.path() / "SMPL";
  ASSERT_TRUE(child.stop_while([&] { return fs::exists(folder / ".car.fce.tromvex-port"); }));
  EXPECT_EQ(child.end_with(SIGTERM), SIGTERM);
  for (const std::string& name : names_in(folder)) {
    EXPECT_FALSE(name.starts_with(".")) << name;
  }
}

// A marked file is removed when the process is interrupted, a file whose mark has gone is not,
// and a signal the process ignored stays ignored. Each case runs in a child process (the death
// test's), where the first mark installs the handlers when the test runs alone, as CTest runs it.
TEST(FileInProgress, IsRemovedByTheSignalThatEndsTheProcess) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    TempDir dir;
    const std::string staged = dir.file(".car.viv.tromvex-port");
    const std::string placed = dir.file("car.viv");
    EXPECT_EXIT(
        {
          ::signal(SIGHUP, signal == SIGHUP ? SIG_DFL : SIG_IGN);
          { const FileInProgress gone(placed); }
          write_file(placed, kOldContent);
          const FileInProgress mark(staged);
          write_file(staged, kOldContent);
          raise(SIGHUP);  // ignored, unless it is the signal tried: nothing is removed
          if (!fs::exists(staged)) std::exit(1);
          raise(signal);
          std::exit(0);
        },
        ::testing::KilledBySignal(signal), "")
        << strsignal(signal);
    EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"car.viv"}) << strsignal(signal);
  }
}

}  // namespace
}  // namespace tromvex
