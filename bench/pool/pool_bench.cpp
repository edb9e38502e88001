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
void emptyTask(std::int32_t, std::int32_t) {
  done.fetch_add(1, std::memory_order_relaxed);
}

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

double seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

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

struct Figures {
  double rate = 0;
  double latencyUs = 0;
};

double median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

bool measurePool(int minThreads, int maxThreads, Figures& figures) {
  nc::ThreadPool pool;
  if (!pool.create(minThreads, maxThreads)) return false;
  figures.rate = throughput([&] { pool.post(emptyTask, 0, 0); });
  figures.latencyUs = medianLatencyUs([&](std::function<void()> task) { pool.post(std::move(task)); });
  pool.shutdown(1);
  return true;
}

Figures measureBaseline(int threads) {
  Figures figures;
  BaselineQueue baseline(threads);
  figures.rate = throughput([&] { baseline.post([] { emptyTask(0, 0); }); });
  figures.latencyUs = medianLatencyUs([&](std::function<void()> task) { baseline.post(std::move(task)); });
  return figures;
}

// Runs are interleaved and repeated: on a small shared machine one run of a million wake-ups
// can differ from the next by a factor of ten.
constexpr int kRounds = 5;

int main() {
  std::vector<double> rates[4];
  std::vector<double> latencies[4];
  const char* names[4] = {"pool 4/8", "pool 4/4 (no temporary workers)", "baseline, 4 threads",
                          "baseline, 8 threads"};
  for (int round = 0; round < kRounds; ++round) {
    Figures figures[4];
    if (!measurePool(4, 8, figures[0]) || !measurePool(4, 4, figures[1])) {
      std::fprintf(stderr, "the pool could not be created\n");
      return 1;
    }
    figures[2] = measureBaseline(4);
    figures[3] = measureBaseline(8);
    for (int i = 0; i < 4; ++i) {
      rates[i].push_back(figures[i].rate);
      latencies[i].push_back(figures[i].latencyUs);
    }
  }
  double baseRate = median(rates[2]);
  double baseLatency = median(latencies[2]);
  std::printf("medians of %d rounds; 1,000,000 empty tasks per round; latency = post to task start\n",
              kRounds);
  std::printf("%-34s %12s %9s %14s %9s\n", "", "tasks/s", "ratio", "latency (us)", "ratio");
  for (int i = 0; i < 4; ++i) {
    double rate = median(rates[i]);
    double latency = median(latencies[i]);
    std::printf("%-34s %12.0f %9.2f %14.1f %9.2f\n", names[i], rate, rate / baseRate, latency,
                latency / baseLatency);
  }
  std::printf("(ratios against the baseline: 4 std::threads on one mutex-guarded std::deque)\n");
  return 0;
}
