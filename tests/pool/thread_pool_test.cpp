#include "pool/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace nc {
namespace {

using namespace std::chrono_literals;

// A gate that blocking tasks wait at until the test opens it.
class Gate {
 public:
  void open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

// Polls `condition` for up to 10 s; the bound only keeps a broken pool from hanging the suite.
template <typename Condition>
bool eventually(Condition condition) {
  for (int i = 0; i < 1000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return condition();
}

std::atomic<int> routineCalls{0};
std::atomic<int> routineSum{0};
void countingRoutine(std::int32_t first, std::int32_t second) {
  routineSum += first + second;
  ++routineCalls;
}

TEST(ThreadPoolTest, EffectiveSizes) {
  struct Case {
    int minThreads;
    int maxThreads;
    int expectedThreads;
    int expectedMax;
  };
  for (const Case& c : {Case{5, 10, 5, 10}, Case{5, 3, 5, 5}, Case{0, 0, 1, 1}, Case{2, -4, 2, 2}}) {
    ThreadPool pool;
    ASSERT_TRUE(pool.create(c.minThreads, c.maxThreads));
    EXPECT_EQ(pool.state(), ThreadPool::kRunning);
    EXPECT_EQ(pool.threadCount(), c.expectedThreads);
    EXPECT_EQ(pool.maxThreads(), c.expectedMax);
    EXPECT_TRUE(pool.shutdown(0));
    EXPECT_EQ(pool.state(), ThreadPool::kIdle);
    EXPECT_EQ(pool.threadCount(), 0);
  }
  ThreadPool defaults;
  ASSERT_TRUE(defaults.create());
  EXPECT_EQ(defaults.threadCount(), 5);
  EXPECT_EQ(defaults.maxThreads(), 20);
  EXPECT_EQ(defaults.idleTimeoutMs(), 10000);
}

TEST(ThreadPoolTest, StackSizesAndIdleTimeoutsAreRounded) {
  ThreadPool pool;
  ASSERT_TRUE(pool.create(1, 1, 50, false, 13000));
  EXPECT_EQ(pool.stackSize(), 12288u);
  EXPECT_EQ(pool.idleTimeoutMs(), 100);
  pool.setStackSize(5000);
  EXPECT_EQ(pool.stackSize(), 8192u);
  pool.setStackSize(13000);
  EXPECT_EQ(pool.stackSize(), 8192u);
  pool.setIdleTimeout(50);
  EXPECT_EQ(pool.idleTimeoutMs(), 100);
  ASSERT_TRUE(pool.shutdown(0));
  ThreadPool small;
  ASSERT_TRUE(small.create(1, 1, 100, false, 100));
  EXPECT_EQ(small.stackSize(), 8192u);
}

TEST(ThreadPoolTest, SecondCreateFailsAndChangesNothing) {
  ThreadPool pool;
  ASSERT_TRUE(pool.create(2, 4));
  EXPECT_FALSE(pool.create(3, 8));
  EXPECT_EQ(pool.threadCount(), 2);
  EXPECT_EQ(pool.maxThreads(), 4);
  ASSERT_TRUE(pool.shutdown(0));
  ASSERT_TRUE(pool.create(3, 3));  // idle again: it can be created anew
  EXPECT_EQ(pool.threadCount(), 3);
}

TEST(ThreadPoolTest, RoutinesRunWithTheirArguments) {
  routineCalls = 0;
  routineSum = 0;
  ThreadPool pool;
  ASSERT_TRUE(pool.create(2, 2));
  EXPECT_TRUE(pool.post(countingRoutine, 3, 4));
  EXPECT_TRUE(pool.postAddress(reinterpret_cast<std::uintptr_t>(&countingRoutine), 10, 20));
  EXPECT_FALSE(pool.post(static_cast<ThreadPool::TaskRoutine>(nullptr)));
  EXPECT_FALSE(pool.post(std::function<void()>()));
  ASSERT_TRUE(pool.shutdown(1));
  EXPECT_EQ(routineCalls.load(), 2);
  EXPECT_EQ(routineSum.load(), 37);
}

TEST(ThreadPoolTest, PostOnAStoppedPoolChangesNothing) {
  ThreadPool pool;
  EXPECT_FALSE(pool.post([] {}));
  EXPECT_EQ(pool.queuedCount(), 0);
  EXPECT_TRUE(pool.shutdown());  // never created: true at once
  EXPECT_FALSE(pool.waitTaskDone(10));
  EXPECT_FALSE(pool.waitResumed(10));
}

TEST(ThreadPoolTest, GrowsToTheMaximumAndShrinksAfterTheIdleTimeout) {
  ThreadPool pool;
  ASSERT_TRUE(pool.create(5, 10, 200));
  Gate gate;
  std::atomic<int> finished{0};
  for (int i = 0; i < 12; ++i) {
    ASSERT_TRUE(pool.post([&] {
      gate.wait();
      ++finished;
    }));
  }
  EXPECT_TRUE(eventually([&] { return pool.threadCount() == 10 && pool.busyCount() == 10; }));
  EXPECT_EQ(pool.queuedCount(), 2);
  EXPECT_EQ(pool.threadCount(), 10);  // never above the maximum
  gate.open();
  EXPECT_TRUE(eventually([&] { return finished.load() == 12; }));
  EXPECT_TRUE(eventually([&] { return pool.threadCount() == 5; }));
  EXPECT_TRUE(pool.isIdle());
  EXPECT_TRUE(pool.shutdown(0));
}

TEST(ThreadPoolTest, ModeOneRunsQueuedTasksModeZeroDropsThem) {
  for (int mode : {0, 1}) {
    ThreadPool pool;
    ASSERT_TRUE(pool.create(1, 1));
    Gate gate;
    std::atomic<int> ran{0};
    std::atomic<bool> started{false};
    ASSERT_TRUE(pool.post([&] {
      started = true;
      gate.wait();
      ++ran;
    }));
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(pool.post([&] { ++ran; }));
    ASSERT_TRUE(eventually([&] { return started.load(); }));
    std::thread opener([&] {
      std::this_thread::sleep_for(50ms);
      gate.open();
    });
    EXPECT_TRUE(pool.shutdown(mode));
    opener.join();
    EXPECT_EQ(pool.state(), ThreadPool::kIdle);
    EXPECT_EQ(ran.load(), mode == 1 ? 6 : 1) << "mode " << mode;
  }
}

TEST(ThreadPoolTest, ModesTwoAndThreeDoNotWait) {
  for (int mode : {2, 3}) {
    ThreadPool pool;
    ASSERT_TRUE(pool.create(1, 1));
    Gate gate;
    std::atomic<int> ran{0};
    ASSERT_TRUE(pool.post([&] {
      gate.wait();
      ++ran;
    }));
    ASSERT_TRUE(pool.post([&] { ++ran; }));
    ASSERT_TRUE(eventually([&] { return pool.busyCount() == 1; }));
    EXPECT_TRUE(pool.shutdown(mode));
    EXPECT_EQ(pool.state(), ThreadPool::kShuttingDown);
    EXPECT_FALSE(pool.create());  // not idle until the last worker ends
    gate.open();
    EXPECT_TRUE(eventually([&] { return pool.state() == ThreadPool::kIdle; }));
    EXPECT_EQ(ran.load(), mode == 3 ? 2 : 1) << "mode " << mode;
  }
}

TEST(ThreadPoolTest, ShutdownTimesOutWhileATaskBlocks) {
  for (bool processMessages : {false, true}) {
    ThreadPool pool;
    std::atomic<int> pumped{0};
    pool.setMessagePump([&] { ++pumped; });
    ASSERT_TRUE(pool.create(1, 1));
    Gate gate;
    ASSERT_TRUE(pool.post([&] { gate.wait(); }));
    ASSERT_TRUE(eventually([&] { return pool.busyCount() == 1; }));
    EXPECT_FALSE(pool.shutdown(1, 100, processMessages));
    EXPECT_EQ(pool.state(), ThreadPool::kShuttingDown);
    if (processMessages) {
      EXPECT_GT(pumped.load(), 0);
    }
    gate.open();
    EXPECT_TRUE(eventually([&] { return pool.state() == ThreadPool::kIdle; }));
  }
}

TEST(ThreadPoolTest, PauseHoldsDequeuedTasks) {
  ThreadPool pool;
  ASSERT_TRUE(pool.create(1, 1));
  pool.pause();
  EXPECT_FALSE(pool.waitResumed(50));
  std::atomic<int> ran{0};
  ASSERT_TRUE(pool.post([&] { ++ran; }));
  EXPECT_TRUE(eventually([&] { return pool.queuedCount() == 1; }));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(ran.load(), 0);
  pool.resume();
  EXPECT_TRUE(pool.waitResumed(1000));
  EXPECT_TRUE(eventually([&] { return ran.load() == 1; }));
  EXPECT_TRUE(pool.shutdown(0));
}

TEST(ThreadPoolTest, WaitTaskDoneSeesFinishedTasks) {
  ThreadPool pool;
  ASSERT_TRUE(pool.create(1, 1));
  EXPECT_FALSE(pool.waitTaskDone(50));
  ASSERT_TRUE(pool.post([] {}));
  EXPECT_TRUE(pool.waitTaskDone(5000, true));
  pool.signalTaskDone();
  EXPECT_TRUE(pool.waitTaskDone(5000));
  EXPECT_TRUE(pool.shutdown(0));
}

TEST(ThreadPoolTest, ThreadCreationFailures) {
  // Nothing can start: create undoes everything and the pool stays idle.
  ThreadPool none;
  none.setThreadStarter([](std::function<void()>, std::size_t) { return false; });
  EXPECT_FALSE(none.create(3, 5));
  EXPECT_EQ(none.state(), ThreadPool::kIdle);
  EXPECT_EQ(none.threadCount(), 0);

  // The manager and two workers start, then every creation fails: create gives up after five
  // failures in a row, and the manager lowers the maximum to the live count.
  ThreadPool some;
  std::atomic<int> allowed{3};
  some.setThreadStarter([&](std::function<void()> body, std::size_t stack) {
    if (allowed.fetch_sub(1) <= 0) return false;
    std::thread(std::move(body)).detach();
    (void)stack;
    return true;
  });
  ASSERT_TRUE(some.create(10, 20));
  EXPECT_EQ(some.threadCount(), 2);
  Gate gate;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(some.post([&] { gate.wait(); }));
  EXPECT_TRUE(eventually([&] { return some.maxThreads() == 2; }));
  gate.open();
  EXPECT_TRUE(some.shutdown(1));
}

// Starts threads like the pool does, but counts the bodies that have returned, so that a test
// can see every pool thread gone after the pool object itself.
struct CountingStarter {
  std::shared_ptr<std::atomic<int>> started = std::make_shared<std::atomic<int>>(0);
  std::shared_ptr<std::atomic<int>> ended = std::make_shared<std::atomic<int>>(0);

  ThreadPool::ThreadStarter starter() const {
    return [started = started, ended = ended](std::function<void()> body, std::size_t) {
      ++*started;
      std::thread([body = std::move(body), ended] {
        body();
        ++*ended;
      }).detach();
      return true;
    };
  }
};

TEST(ThreadPoolTest, DestroyingThePoolWhileATaskRunsLeavesNoThreadBehind) {
  CountingStarter threads;
  Gate gate;
  std::atomic<bool> running{false};
  std::atomic<int> ran{0};
  {
    ThreadPool pool;
    pool.setThreadStarter(threads.starter());
    ASSERT_TRUE(pool.create(1, 1));
    ASSERT_TRUE(pool.post([&] {
      running = true;
      gate.wait();
      ++ran;
    }));
    ASSERT_TRUE(pool.post([&] { ++ran; }));
    ASSERT_TRUE(eventually([&] { return running.load(); }));
  }  // shutdown without waiting: queued tasks are dropped
  gate.open();
  EXPECT_TRUE(eventually([&] { return threads.ended->load() == threads.started->load(); }));
  EXPECT_EQ(ran.load(), 1);
}

TEST(ThreadPoolTest, AWorkerThatStartsTooLateDoesNotJoinTheNextPool) {
  ThreadPool pool;
  Gate late;
  auto lateEnded = std::make_shared<std::atomic<bool>>(false);
  std::atomic<int> calls{0};
  // The manager starts at once; the one worker starts only after create has given up.
  pool.setThreadStarter([&, lateEnded](std::function<void()> body, std::size_t) {
    if (calls++ == 0) {
      std::thread(std::move(body)).detach();
    } else {
      std::thread([&late, lateEnded, body = std::move(body)] {
        late.wait();
        body();
        *lateEnded = true;
      }).detach();
    }
    return true;
  });
  EXPECT_FALSE(pool.create(1, 1));
  EXPECT_EQ(pool.state(), ThreadPool::kIdle);

  pool.setThreadStarter(nullptr);
  ASSERT_TRUE(pool.create(2, 2));
  late.open();
  ASSERT_TRUE(eventually([&] { return lateEnded->load(); }));
  EXPECT_EQ(pool.state(), ThreadPool::kRunning);
  EXPECT_EQ(pool.threadCount(), 2);
  std::atomic<int> ran{0};
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(pool.post([&] { ++ran; }));
  EXPECT_TRUE(pool.shutdown(1));
  EXPECT_EQ(ran.load(), 4);
  EXPECT_EQ(pool.state(), ThreadPool::kIdle);
}

}  // namespace
}  // namespace nc
