#include "pool/thread_pool.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <mutex>
#include <thread>
#include <utility>

#include "pool/event.h"
#include "pool/packet_queue.h"

namespace nc {
namespace {

constexpr int kStepMs = 20;                 // slice of every message-processing wait
constexpr int kManagerEndSteps = 21;        // shutdown waits this many steps for the manager
constexpr int kCreateUndoSteps = 11;        // a failed create waits this many steps for the manager
constexpr int kMaxConsecutiveFailures = 5;  // thread creations in a row before giving up
constexpr int kMessagesEveryExitMarkers = 100;
constexpr std::size_t kSmallestStack = 8192;
constexpr std::size_t kCreateStackGranularity = 4096;
constexpr std::size_t kSetStackGranularity = 8192;
constexpr std::size_t kManagerStack = 64 * 1024;

using Clock = std::chrono::steady_clock;

long long elapsedMs(Clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

bool startPosixThread(std::function<void()> body, std::size_t stackSize) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  if (stackSize != 0)
    pthread_attr_setstacksize(&attributes, std::max<std::size_t>(stackSize, PTHREAD_STACK_MIN));
  auto* heapBody = new std::function<void()>(std::move(body));
  pthread_t thread;
  int result = pthread_create(
      &thread, &attributes,
      [](void* argument) -> void* {
        std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(argument));
        (*owned)();
        return nullptr;
      },
      heapBody);
  pthread_attr_destroy(&attributes);
  if (result != 0) {
    delete heapBody;
    return false;
  }
  return true;
}

}  // namespace

// Everything the pool's threads share; each thread holds a reference of its own.
struct ThreadPool::Shared : std::enable_shared_from_this<ThreadPool::Shared> {
  std::atomic<int> state{kIdle};
  std::atomic<int> accepting{0};
  std::atomic<int> threadCount{0};
  std::atomic<int> busyCount{0};
  std::atomic<int> queuedCount{0};
  std::atomic<int> maxThreads{0};
  std::atomic<int> idleTimeoutMs{0};
  std::atomic<std::size_t> stackSize{0};

  // The "handles": replaced by create, taken out (and closed) by whoever takes the pool down.
  // `generation` counts the pools that create made; a thread started for one generation that
  // has ended since (a worker that started too late, a manager that outlived its pool) ends at
  // once instead of joining or taking down the next one.
  std::mutex handlesMutex;
  std::uint64_t generation = 0;
  std::shared_ptr<PacketQueue> port;
  std::shared_ptr<Event> needThreadsEvent;
  std::shared_ptr<Event> threadStartedEvent;
  std::shared_ptr<Event> taskDoneEvent;
  std::shared_ptr<Event> pauseGate;
  std::shared_ptr<Event> managerEnded;

  std::mutex hooksMutex;
  std::function<void()> messagePump;
  ThreadStarter starter = startPosixThread;

  template <typename T>
  std::shared_ptr<T> get(std::shared_ptr<T> Shared::*slot) {
    std::lock_guard lock(handlesMutex);
    return this->*slot;
  }

  template <typename T>
  std::shared_ptr<T> take(std::shared_ptr<T> Shared::*slot) {
    std::lock_guard lock(handlesMutex);
    return std::exchange(this->*slot, nullptr);
  }

  void processMessages() {
    std::function<void()> pump;
    {
      std::lock_guard lock(hooksMutex);
      pump = messagePump;
    }
    if (pump) pump();
  }

  bool startThread(std::function<void()> body, std::size_t stack) {
    ThreadStarter start;
    {
      std::lock_guard lock(hooksMutex);
      start = starter;
    }
    return start(std::move(body), stack);
  }

  bool growthWanted() const {
    int threads = threadCount.load();
    return threads < maxThreads.load() && busyCount.load() + queuedCount.load() > threads;
  }

  void signal(std::shared_ptr<Event> Shared::*slot) {
    if (auto event = get(slot)) event->set();
  }

  std::uint64_t currentGeneration() {
    std::lock_guard lock(handlesMutex);
    return generation;
  }

  // The queue is read under the handles lock, so a pool taken down meanwhile refuses the packet
  // and the count of queued tasks is left as it was.
  bool postPacket(TaskPacket packet) {
    bool posted = false;
    {
      std::lock_guard lock(handlesMutex);
      if (state.load() != kRunning || !port) return false;
      ++queuedCount;
      posted = port->push(std::move(packet));
      if (!posted) --queuedCount;
    }
    if (growthWanted()) signal(&Shared::needThreadsEvent);
    return posted;
  }

  bool startWorker(bool temporary, std::uint64_t ofGeneration) {
    auto self = shared_from_this();
    return startThread([self, temporary, ofGeneration] { self->workerProc(temporary, ofGeneration); },
                       stackSize.load());
  }

  void workerProc(bool temporary, std::uint64_t ofGeneration) {
    // The handles of this pool generation; a closed queue or event releases its waiters, so
    // holding them is the same as reading them afresh for every task.
    std::shared_ptr<PacketQueue> queue;
    std::shared_ptr<Event> gate;
    std::shared_ptr<Event> taskDone;
    {
      std::lock_guard lock(handlesMutex);
      if (generation != ofGeneration || !port) return;
      ++threadCount;
      queue = port;
      gate = pauseGate;
      taskDone = taskDoneEvent;
    }
    if (state.load() != kShuttingDown) signal(&Shared::threadStartedEvent);
    while (true) {
      std::optional<TaskPacket> packet =
          queue->pop(temporary ? idleTimeoutMs.load() : PacketQueue::kInfinite);
      if (gate) gate->wait(Event::kInfinite);
      if (accepting.load() != 1 || !packet || packet->exitMarker) break;
      ++busyCount;
      --queuedCount;
      if (packet->task) {
        packet->task();
      } else {
        packet->routine(packet->first, packet->second);
      }
      --busyCount;
      if (taskDone) taskDone->set();
    }
    if (--threadCount != 0) return;
    takeDown(ofGeneration);
  }

  // Run by the last worker: closes every handle once and returns the pool to idle. Nothing
  // happens when a late worker of the same generation has joined since.
  void takeDown(std::uint64_t ofGeneration) {
    std::shared_ptr<PacketQueue> queue;
    std::shared_ptr<Event> events[4];
    {
      std::lock_guard lock(handlesMutex);
      if (generation != ofGeneration || threadCount.load() != 0) return;
      ++generation;
      queue = std::exchange(port, nullptr);
      events[0] = std::exchange(taskDoneEvent, nullptr);
      events[1] = std::exchange(pauseGate, nullptr);
      events[2] = std::exchange(needThreadsEvent, nullptr);
      events[3] = std::exchange(threadStartedEvent, nullptr);
    }
    if (queue) queue->close();
    for (auto& event : events) {
      if (!event) continue;
      if (event == events[3]) event->set();
      event->close();
    }
    accepting = 0;
    threadCount = 0;
    busyCount = 0;
    queuedCount = 0;
    state.exchange(kIdle);
  }

  void managerProc(std::uint64_t ofGeneration) {
    auto ended = get(&Shared::managerEnded);
    if (auto need = get(&Shared::needThreadsEvent)) need->wait(Event::kInfinite);
    int failures = 0;
    while (state.load() == kRunning && currentGeneration() == ofGeneration) {
      if (growthWanted()) {
        if (!startWorker(true, ofGeneration)) {
          if (++failures >= kMaxConsecutiveFailures) {
            maxThreads = threadCount.load();
            failures = 0;
          }
        } else {
          failures = 0;
          if (auto started = get(&Shared::threadStartedEvent)) started->wait(threadCount.load() * 2 + 1000);
        }
      } else if (auto need = get(&Shared::needThreadsEvent)) {
        need->wait(Event::kInfinite);
      } else {
        break;
      }
      if (auto gate = get(&Shared::pauseGate)) gate->wait(Event::kInfinite);
    }
    if (ended) ended->set();
  }
};

ThreadPool::ThreadPool() : shared_(std::make_shared<Shared>()) {}

ThreadPool::~ThreadPool() {
  shutdown(2);
}

bool ThreadPool::create(int minThreads, int maxThreads, int idleTimeoutMs, bool processMessages,
                        std::size_t stackSize) {
  Shared& s = *shared_;
  int expected = kIdle;
  if (!s.state.compare_exchange_strong(expected, kCreating)) return false;

  int minimum = std::max(1, minThreads);
  s.maxThreads = std::max(minimum, maxThreads);
  s.idleTimeoutMs = std::max(kMinIdleTimeoutMs, idleTimeoutMs);
  if (stackSize > 0 && stackSize < kSmallestStack) {
    stackSize = kSmallestStack;
  } else {
    stackSize -= stackSize % kCreateStackGranularity;
  }
  s.stackSize = stackSize;

  std::uint64_t generation = 0;
  {
    std::lock_guard lock(s.handlesMutex);
    generation = ++s.generation;
    s.port = std::make_shared<PacketQueue>();
    s.needThreadsEvent = std::make_shared<Event>(Event::Reset::automatic, false);
    s.threadStartedEvent = std::make_shared<Event>(Event::Reset::automatic, false);
    s.taskDoneEvent = std::make_shared<Event>(Event::Reset::automatic, false);
    s.pauseGate = std::make_shared<Event>(Event::Reset::manual, true);
    s.managerEnded = std::make_shared<Event>(Event::Reset::manual, false);
  }
  auto self = shared_;
  if (!s.startThread([self, generation] { self->managerProc(generation); }, kManagerStack)) {
    for (auto slot : {&Shared::needThreadsEvent, &Shared::threadStartedEvent, &Shared::taskDoneEvent,
                      &Shared::pauseGate, &Shared::managerEnded}) {
      s.take(slot);
    }
    s.take(&Shared::port);
    s.state = kIdle;
    return false;
  }
  s.accepting = 1;
  s.threadCount = 0;
  s.busyCount = 0;
  s.queuedCount = 0;

  int created = 0;
  int failures = 0;
  for (int attempt = 0; attempt < minimum && failures < kMaxConsecutiveFailures; ++attempt) {
    if (s.startWorker(false, generation)) {
      ++created;
      failures = 0;
    } else {
      ++failures;
    }
    if (processMessages) s.processMessages();
  }
  if (created > 0) {
    auto started = s.get(&Shared::threadStartedEvent);
    while (started && s.threadCount.load() < created && started->wait(created * 2 + 1000)) {
      if (processMessages) s.processMessages();
    }
  }
  bool started = false;
  {
    // Decided under the handles lock: a worker that starts after this either counts here or,
    // the generation having moved on, ends at once.
    std::lock_guard lock(s.handlesMutex);
    started = s.threadCount.load() != 0;
    if (!started) ++s.generation;
  }
  if (started) {
    s.state.exchange(kRunning);
    return true;
  }

  // Nothing started: let the manager see that the pool is not running, then undo.
  if (auto need = s.get(&Shared::needThreadsEvent)) {
    need->set();
    for (int step = 0; step < kCreateUndoSteps && !need->wait(kStepMs); ++step) {
      if (processMessages) s.processMessages();
    }
  }
  if (auto need = s.take(&Shared::needThreadsEvent)) need->close();
  if (auto queue = s.take(&Shared::port)) queue->close();
  for (auto slot : {&Shared::threadStartedEvent, &Shared::taskDoneEvent, &Shared::pauseGate}) {
    if (auto event = s.take(slot)) event->close();
  }
  s.take(&Shared::managerEnded);
  s.accepting = 0;
  s.state.exchange(kIdle);
  return false;
}

bool ThreadPool::shutdown(int mode, int timeoutMs, bool processMessages) {
  Shared& s = *shared_;
  int expected = kRunning;
  if (!s.state.compare_exchange_strong(expected, kShuttingDown)) return expected == kIdle;
  if (mode < 0 || mode > 3) mode = 0;
  if (mode == 0 || mode == 2) s.accepting = 0;

  for (auto slot :
       {&Shared::taskDoneEvent, &Shared::threadStartedEvent, &Shared::needThreadsEvent, &Shared::pauseGate}) {
    s.signal(slot);
  }
  if (auto ended = s.take(&Shared::managerEnded)) {
    for (int step = 0; step < kManagerEndSteps && !ended->wait(kStepMs); ++step) {
      if (processMessages) s.processMessages();
    }
  }
  auto started = s.get(&Shared::threadStartedEvent);
  if (started) {
    while (s.state.load() == kShuttingDown && started->wait(0)) {
    }
  }
  if (auto queue = s.get(&Shared::port)) {
    int markers = s.threadCount.load() + 1;
    for (int i = 0; i < markers; ++i) {
      queue->push(TaskPacket::exit());
      if (processMessages && (i + 1) % kMessagesEveryExitMarkers == 0) s.processMessages();
    }
  }
  if (mode == 2 || mode == 3) return true;

  Clock::time_point begin = Clock::now();
  while (s.state.load() == kShuttingDown) {
    if (!started) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    if (processMessages) {
      started->wait(kStepMs);
      s.processMessages();
      if (timeoutMs > 0 && elapsedMs(begin) > timeoutMs) return s.state.load() == kIdle;
    } else if (!started->wait(timeoutMs > 0 ? timeoutMs : Event::kInfinite)) {
      return s.state.load() == kIdle;
    }
  }
  return true;
}

void ThreadPool::pause() {
  if (state() != kRunning) return;
  if (auto gate = shared_->get(&Shared::pauseGate)) gate->reset();
}

void ThreadPool::resume() {
  if (state() != kRunning) return;
  shared_->signal(&Shared::pauseGate);
}

bool ThreadPool::waitResumed(int timeoutMs) {
  if (state() != kRunning) return false;
  auto gate = shared_->get(&Shared::pauseGate);
  return gate && gate->wait(timeoutMs > 0 ? timeoutMs : Event::kInfinite);
}

bool ThreadPool::post(TaskRoutine routine, std::int32_t first, std::int32_t second) {
  if (routine == nullptr) return false;
  TaskPacket packet;
  packet.routine = routine;
  packet.first = first;
  packet.second = second;
  return shared_->postPacket(std::move(packet));
}

bool ThreadPool::postAddress(std::uintptr_t routineAddress, std::int32_t first, std::int32_t second) {
  return post(reinterpret_cast<TaskRoutine>(routineAddress), first, second);
}

bool ThreadPool::post(std::function<void()> task) {
  if (!task) return false;
  TaskPacket packet;
  packet.task = std::move(task);
  return shared_->postPacket(std::move(packet));
}

bool ThreadPool::waitTaskDone(int timeoutMs, bool processMessages) {
  Shared& s = *shared_;
  if (s.state.load() != kRunning) return false;
  auto done = s.get(&Shared::taskDoneEvent);
  if (!done) return false;
  if (!processMessages) return done->wait(timeoutMs > 0 ? timeoutMs : Event::kInfinite);
  Clock::time_point begin = Clock::now();
  while (true) {
    s.processMessages();
    if (done->wait(kStepMs)) return s.state.load() == kRunning;
    if (timeoutMs > 0 && elapsedMs(begin) > timeoutMs) return false;
  }
}

void ThreadPool::signalTaskDone() {
  if (state() == kRunning) shared_->signal(&Shared::taskDoneEvent);
}

int ThreadPool::idleCount() const {
  return shared_->threadCount.load() - shared_->busyCount.load();
}
int ThreadPool::busyCount() const {
  return shared_->busyCount.load();
}
int ThreadPool::queuedCount() const {
  return shared_->queuedCount.load();
}
int ThreadPool::threadCount() const {
  return shared_->threadCount.load();
}
int ThreadPool::maxThreads() const {
  return shared_->maxThreads.load();
}
bool ThreadPool::isIdle() const {
  return shared_->queuedCount.load() == 0 && shared_->busyCount.load() == 0;
}
int ThreadPool::state() const {
  return shared_->state.load();
}
int ThreadPool::idleTimeoutMs() const {
  return shared_->idleTimeoutMs.load();
}
std::size_t ThreadPool::stackSize() const {
  return shared_->stackSize.load();
}

void ThreadPool::setMaxThreads(int count) {
  Shared& s = *shared_;
  if (s.state.load() != kRunning) return;
  s.maxThreads = std::max(1, count);
  if (s.growthWanted()) s.signal(&Shared::needThreadsEvent);
}

void ThreadPool::setIdleTimeout(int ms) {
  if (state() != kRunning) return;
  shared_->idleTimeoutMs = std::max(kMinIdleTimeoutMs, ms);
}

void ThreadPool::setStackSize(std::size_t bytes) {
  if (state() != kRunning) return;
  if (bytes > 0 && bytes < kSmallestStack) {
    bytes = kSmallestStack;
  } else {
    bytes -= bytes % kSetStackGranularity;
  }
  shared_->stackSize = bytes;
}

void ThreadPool::setMessagePump(std::function<void()> pump) {
  std::lock_guard lock(shared_->hooksMutex);
  shared_->messagePump = std::move(pump);
}

void ThreadPool::setThreadStarter(ThreadStarter starter) {
  std::lock_guard lock(shared_->hooksMutex);
  shared_->starter = starter ? std::move(starter) : ThreadStarter(startPosixThread);
}

}  // namespace nc
