// Event: a signal that threads wait for, auto-reset (one waiter consumes it) or manual-reset
// (stays set until reset). A closed event wakes every waiter at once and stays signalled, so a
// thread that waits on a pool being taken down never blocks for ever. Thread-safe; setting an
// event that is already set with nobody waiting, and waiting on a set manual-reset event, take
// no lock.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace nc {

class Event {
 public:
  enum class Reset { automatic, manual };
  static constexpr int kInfinite = -1;

  Event(Reset reset, bool initiallySet) : manual_(reset == Reset::manual), set_(initiallySet) {}

  void set() {
    if (set_.exchange(true) && waiters_.load() == 0) return;
    { std::lock_guard lock(mutex_); }  // a waiter between its check and its sleep sees the flag
    if (manual_) {
      changed_.notify_all();
    } else {
      changed_.notify_one();
    }
  }

  void reset() { set_ = false; }

  void close() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
    }
    changed_.notify_all();
  }

  // True when signalled (or closed) within `timeoutMs` (kInfinite = no limit, 0 = poll).
  bool wait(int timeoutMs) {
    if (ready()) return true;
    if (timeoutMs == 0) return false;
    std::unique_lock lock(mutex_);
    ++waiters_;
    bool signalled = true;
    if (timeoutMs < 0) {
      changed_.wait(lock, [this] { return ready(); });
    } else {
      signalled = changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return ready(); });
    }
    --waiters_;
    return signalled;
  }

 private:
  // Consumes the signal of an auto-reset event.
  bool ready() { return closed_.load() || (manual_ ? set_.load() : set_.exchange(false)); }

  std::mutex mutex_;
  std::condition_variable changed_;
  const bool manual_;
  std::atomic<bool> set_;
  std::atomic<bool> closed_{false};
  std::atomic<int> waiters_{0};
};

}  // namespace nc
