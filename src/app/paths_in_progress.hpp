// The paths of the files being written, kept where an interruption's handler can find them.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>

namespace tromvex {

// A fixed table of slots, each holding the path of a file being written. Threads fill and
// empty slots; the handler of an interruption (a POSIX signal handler, or Windows' console
// control handler on its own thread) removes the files of the held slots at any moment,
// without a lock or an allocation: only lock-free atomics and plain reads of memory that no
// one writes while the slot is held. A path is held before its file is created and released
// once the file has its final name, so the handler may find a name with no file yet (removing
// it does nothing) but never misses a file. Char is the character type of the system's paths.
template <typename Char, std::size_t kSlots, std::size_t kPathCapacity>
class PathsInProgress {
 public:
  static constexpr int kNoSlot = -1;

  // Holds path; returns its slot, or kNoSlot when the path does not fit or every slot is taken
  // (the file is then written unmarked, and an interruption may leave it). Throws nothing.
  int hold(std::basic_string_view<Char> path) noexcept {
    if (path.size() >= kPathCapacity) return kNoSlot;
    for (std::size_t i = 0; i < kSlots; ++i) {
      int expected = kFree;
      if (!states_[i].compare_exchange_strong(expected, kFilling)) continue;
      std::copy(path.begin(), path.end(), paths_[i].begin());
      paths_[i][path.size()] = Char{};
      states_[i].store(kHeld);
      return static_cast<int>(i);
    }
    return kNoSlot;
  }

  // Frees slot (kNoSlot does nothing). A slot the handler is removing stays taken: the process
  // is ending. Throws nothing.
  void release(int slot) noexcept {
    if (slot == kNoSlot) return;
    int expected = kHeld;
    states_[static_cast<std::size_t>(slot)].compare_exchange_strong(expected, kFree);
  }

  // Whether an interruption has begun removing the files. A writer that created a file after
  // holding its path removes it itself then: the handler may have looked before it existed.
  bool interrupted() const noexcept { return interrupted_.load(); }

  // For the handler: calls remove with each held path (NUL-terminated), each once. Safe in a
  // signal handler when remove is.
  template <typename Remove>
  void remove_all(Remove remove) noexcept {
    interrupted_.store(true);
    for (std::size_t i = 0; i < kSlots; ++i) {
      int expected = kHeld;
      if (states_[i].compare_exchange_strong(expected, kRemoving)) remove(paths_[i].data());
    }
  }

 private:
  // A slot goes free -> filling -> held -> free, or held -> removing for good.
  enum : int { kFree = 0, kFilling, kHeld, kRemoving };
  static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

  std::array<std::atomic<int>, kSlots> states_{};  // all kFree
  std::array<std::array<Char, kPathCapacity>, kSlots> paths_{};
  std::atomic<bool> interrupted_{false};
};

}  // namespace tromvex
