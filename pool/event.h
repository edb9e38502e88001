// Event: a signal that threads wait for, auto-reset (one waiter consumes it) or manual-reset
// (stays set until reset). A closed event wakes every waiter at once and stays signalled, so a
// thread that waits on a pool being taken down never blocks for ever. Thread-safe.
#pragma once

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
    {
      std::lock_guard lock(mutex_);
      set_ = true;
    }
    if (manual_) {
      changed_.notify_all();
    } else {
      changed_.notify_one();
    }
  }

  void reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
  }

  void close() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
    }
    changed_.notify_all();
  }

  // True when signalled (or closed) within `timeoutMs` (kInfinite = no limit, 0 = poll).
  bool wait(int timeoutMs) {
    std::unique_lock lock(mutex_);
    auto ready = [this] { return set_ || closed_; };
    if (timeoutMs < 0) {
      changed_.wait(lock, ready);
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
      return false;
    }
    if (!manual_ && !closed_) set_ = false;
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  const bool manual_;
  bool set_;
  bool closed_ = false;
};

}  // namespace nc
