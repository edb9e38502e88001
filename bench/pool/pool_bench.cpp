// Throughput and wake-up latency of the thread pool next to a plain mutex-and-queue baseline.
// Prints tasks per second for 1,000,000 empty tasks on a 4/8 pool and the median time from
// post to task start, each with the ratio to the baseline.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "pool/thread_pool.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTasks = 1'000'000;
constexpr int kLatencySamples = 2000;

std::atomic<int> done{0};
void emptyTask(std::int32_t, std::int32_t) { done.fetch_add(1, std::memory_order_relaxed); }

// The baseline: N threads pulling std::function tasks from one mutex-guarded deque.
class BaselineQueue {
 public:
  explicit BaselineQueue(int threads) {
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { run(); });
  }
  ~BaselineQueue() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    ready_.notify_all();
    for (auto& worker : workers_) worker.join();
  }
  void post(std::function<void()> task) {
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    ready_.notify_one();
  }

 private:
  void run() {
    while (true) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

template <typename Post>
double throughput(Post post) {
  done = 0;
  auto start = Clock::now();
  for (int i = 0; i < kTasks; ++i) post();
  while (done.load() < kTasks) std::this_thread::yield();
  return kTasks / seconds(Clock::now() - start);
}

// Median microseconds from post to the start of the task, one task at a time.
template <typename PostFunction>
double medianLatencyUs(PostFunction post) {
  std::vector<double> samples;
  samples.reserve(kLatencySamples);
  for (int i = 0; i < kLatencySamples; ++i) {
    std::atomic<long long> startedNs{0};
    auto posted = Clock::now();
    post([&startedNs] { startedNs = Clock::now().time_since_epoch().count(); });
    while (startedNs.load() == 0) std::this_thread::yield();
    samples.push_back((startedNs.load() - posted.time_since_epoch().count()) / 1000.0);
  }
  std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
  return samples[samples.size() / 2];
}

}  // namespace

struct PoolFigures {
  double rate = 0;
  double latencyUs = 0;
};

bool measurePool(int minThreads, int maxThreads, PoolFigures& figures) {
  nc::ThreadPool pool;
  if (!pool.create(minThreads, maxThreads)) return false;
  figures.rate = throughput([&] { pool.post(emptyTask, 0, 0); });
  figures.latencyUs = medianLatencyUs([&](std::function<void()> task) { pool.post(std::move(task)); });
  pool.shutdown(1);
  return true;
}

int main() {
  PoolFigures grown;
  PoolFigures fixed;
  if (!measurePool(4, 8, grown) || !measurePool(4, 4, fixed)) {
    std::fprintf(stderr, "the pool could not be created\n");
    return 1;
  }
  double baseRate = 0;
  double baseLatency = 0;
  {
    BaselineQueue baseline(4);
    baseRate = throughput([&] { baseline.post([] { emptyTask(0, 0); }); });
    baseLatency = medianLatencyUs([&](std::function<void()> task) { baseline.post(std::move(task)); });
  }
  std::printf("%-44s %12s %12s %7s\n", "", "thread pool", "baseline", "ratio");
  std::printf("%-44s %12.0f %12.0f %7.2f\n", "tasks/s, 1,000,000 empty tasks, pool 4/8", grown.rate, baseRate,
              grown.rate / baseRate);
  std::printf("%-44s %12.0f %12.0f %7.2f\n", "tasks/s, same, pool 4/4 (no temporary workers)", fixed.rate, baseRate,
              fixed.rate / baseRate);
  std::printf("%-44s %12.1f %12.1f %7.2f\n", "wake-up latency median (us), pool 4/8", grown.latencyUs, baseLatency,
              grown.latencyUs / baseLatency);
  std::printf("(baseline: 4 std::threads on one mutex-guarded std::deque of std::function)\n");
  return 0;
}
