// PacketQueue: the first-in-first-out queue of task packets between posters and workers.
// Packets leave in the order they were posted. A closed queue fails every dequeue. Thread-safe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace nc {

struct TaskPacket {
  void (*routine)(std::int32_t, std::int32_t) = nullptr;
  std::int32_t first = 0;
  std::int32_t second = 0;
  std::function<void()> task;  // used instead of routine when set
  bool exitMarker = false;

  static TaskPacket exit() {
    TaskPacket packet;
    packet.exitMarker = true;
    packet.first = -1;
    packet.second = -1;
    return packet;
  }
};

class PacketQueue {
 public:
  static constexpr int kInfinite = -1;

  // False when the queue is closed.
  bool push(TaskPacket packet) {
    bool wake = false;
    {
      std::lock_guard lock(mutex_);
      if (closed_) return false;
      packets_.push_back(std::move(packet));
      wake = waiters_ > 0;
    }
    if (wake) available_.notify_one();
    return true;
  }

  // The next packet; nothing on timeout or when the queue is closed.
  std::optional<TaskPacket> pop(int timeoutMs) {
    std::unique_lock lock(mutex_);
    auto ready = [this] { return closed_ || !packets_.empty(); };
    if (!ready()) {
      ++waiters_;
      bool woken = true;
      if (timeoutMs < 0) {
        available_.wait(lock, ready);
      } else {
        woken = available_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
      }
      --waiters_;
      if (!woken) return std::nullopt;
    }
    if (closed_) return std::nullopt;
    TaskPacket packet = std::move(packets_.front());
    packets_.pop_front();
    return packet;
  }

  void close() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
      packets_.clear();
    }
    available_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable available_;
  std::deque<TaskPacket> packets_;
  bool closed_ = false;
  int waiters_ = 0;  // workers asleep in pop
};

}  // namespace nc
