// ThreadPool: runs small tasks on permanent workers plus temporary workers up to a maximum.
//
// Tasks wait in one first-in-first-out queue. A manager thread adds one temporary worker at a
// time while more tasks are queued or running than there are threads; a temporary worker ends
// after the idle timeout without a task. The pool can be paused (dequeued tasks wait before
// they run) and shut down in four modes: queued tasks dropped or run, with or without waiting.
// States: 0 idle, 2 creating, 1 running, 3 shutting down; a pool back at 0 can be created again.
//
// Every operation may be called from any thread. The threads share the pool's state through a
// reference of their own, so destroying the object (a shutdown that drops the queue and does
// not wait) never leaves a worker touching freed memory. The tasks themselves must not outlive
// what they use. "Process messages" runs the pump installed with setMessagePump (the window
// runs its event loop once there) while create, shutdown and waitTaskDone wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace nc {

class ThreadPool {
 public:
  using TaskRoutine = void (*)(std::int32_t first, std::int32_t second);
  // Starts `body` on a new thread with `stackSize` bytes of stack (0 = default); false when no
  // thread could be made. Replaceable so that tests can make thread creation fail.
  using ThreadStarter = std::function<bool(std::function<void()> body, std::size_t stackSize)>;

  enum State : int { kIdle = 0, kRunning = 1, kCreating = 2, kShuttingDown = 3 };

  static constexpr int kDefaultMinThreads = 5;
  static constexpr int kDefaultMaxThreads = 20;
  static constexpr int kDefaultIdleTimeoutMs = 10000;
  static constexpr int kMinIdleTimeoutMs = 100;
  static constexpr int kNoTimeout = 0;

  ThreadPool();
  // Shuts down in mode 2 (queued tasks dropped, no wait).
  ~ThreadPool();
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;

  // Starts the manager and `minThreads` permanent workers. Below 1 = 1; the maximum is raised to
  // the minimum; idle timeout below 100 = 100 ms; a stack size of 1..8191 = 8192, larger ones are
  // rounded down to a multiple of 4096 (0 = default). False when not idle or nothing started.
  bool create(int minThreads = kDefaultMinThreads, int maxThreads = kDefaultMaxThreads,
              int idleTimeoutMs = kDefaultIdleTimeoutMs, bool processMessages = false, std::size_t stackSize = 0);

  // Mode 0: drop queued tasks and wait; 1: run them, then wait; 2: drop, no wait; 3: run, no
  // wait (anything else = 0). timeoutMs 0 = no limit. True when idle at once, when not waiting,
  // or when every thread ended in time; false when not running or on timeout.
  bool shutdown(int mode = 0, int timeoutMs = kNoTimeout, bool processMessages = false);

  void pause();
  void resume();
  // True once the pool is not paused (within timeoutMs; 0 = no limit).
  bool waitResumed(int timeoutMs = kNoTimeout);

  // Queues a task; false when the pool is not running or the task is empty.
  bool post(TaskRoutine routine, std::int32_t first = 0, std::int32_t second = 0);
  bool postAddress(std::uintptr_t routineAddress, std::int32_t first = 0, std::int32_t second = 0);
  bool post(std::function<void()> task);

  // True when a task finished (or signalTaskDone was called) within timeoutMs (0 = no limit).
  bool waitTaskDone(int timeoutMs = kNoTimeout, bool processMessages = false);
  void signalTaskDone();

  int idleCount() const;
  int busyCount() const;
  int queuedCount() const;
  int threadCount() const;
  int maxThreads() const;
  bool isIdle() const;
  int state() const;
  int idleTimeoutMs() const;
  std::size_t stackSize() const;

  void setMaxThreads(int count);
  void setIdleTimeout(int ms);
  void setStackSize(std::size_t bytes);

  void setMessagePump(std::function<void()> pump);
  void setThreadStarter(ThreadStarter starter);

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace nc
