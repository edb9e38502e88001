#include "download/download_dispatcher.h"

#include <cctype>
#include <climits>
#include <utility>

#include "catalogue/app_state.h"
#include "catalogue/user_texts.h"
#include "download/book_downloader.h"
#include "pool/thread_pool.h"
#include "text/code_page.h"

namespace nc {

int parseThreadCount(const Text& text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  long long value = 0;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;  // saturate
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

DownloadDispatcher::DownloadDispatcher(AppState& state, BookList& books, Notifier& notifier,
                                       DispatcherOptions options)
    : state_(state), books_(books), notifier_(notifier), options_(std::move(options)) {}

DownloadDispatcher::~DownloadDispatcher() {
  cancel_ = true;
  std::unique_lock lock(mutex_);
  joinLocked(lock);
}

bool DownloadDispatcher::start() {
  const DownloadSettings settings = state_.downloadSettings();
  if (!settings.pooledMode && !settings.singleThreadMode) {
    notifier_.showMessage(utf8ToText(texts::kChooseThreadMode), MessageIcon::information);
    return false;
  }
  if (isRunning()) {
    notifier_.showMessage(utf8ToText(texts::kDownloadAlreadyRunning), MessageIcon::information);
    return false;
  }
  if (state_.downloadDir().empty()) {
    notifier_.showMessage(utf8ToText(texts::kChooseDownloadDir), MessageIcon::information);
    return false;
  }

  DownloadJobOptions job;
  job.origin = options_.origin;
  job.maxAttempts = options_.maxAttempts;
  job.retryPause = options_.retryPause;
  job.requestTimeoutSeconds = options_.requestTimeoutSeconds;
  job.cancel = &cancel_;
  job.progress = &progress_;
  if (settings.pooledMode) {
    ThreadPool& pool = state_.downloadPool();
    const int minThreads = parseThreadCount(settings.minThreadsText);
    const int maxThreads = parseThreadCount(settings.maxThreadsText);
    // A pool made by an earlier download keeps its permanent workers; only its maximum follows
    // the edit boxes (never below the minimum it was made with).
    if (!pool.create(minThreads, maxThreads)) pool.setMaxThreads(std::max(minThreads, maxThreads));
    job.pool = &pool;
  }

  std::unique_lock lock(mutex_);
  joinLocked(lock);
  cancel_ = false;
  progress_.reset();
  running_ = true;
  thread_ = std::thread([this, job] {
    const DownloadSummary summary = BookDownloader(state_, books_, job).run();
    if (options_.onFinished) options_.onFinished(summary);
    {
      std::lock_guard lock(mutex_);
      lastSummary_ = summary;
      running_ = false;
    }
    finished_.notify_all();
  });
  return true;
}

void DownloadDispatcher::stop() {
  std::unique_lock lock(mutex_);
  if (!running_) return;
  cancel_ = true;
  if (finished_.wait_for(lock, kStopWait, [this] { return !running_; })) joinLocked(lock);
}

bool DownloadDispatcher::isRunning() const {
  std::lock_guard lock(mutex_);
  return running_;
}

bool DownloadDispatcher::waitFinished(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return finished_.wait_for(lock, timeout, [this] { return !running_; });
}

std::optional<DownloadSummary> DownloadDispatcher::lastSummary() const {
  std::lock_guard lock(mutex_);
  return lastSummary_;
}

void DownloadDispatcher::joinLocked(std::unique_lock<std::mutex>& lock) {
  if (!thread_.joinable()) return;
  std::thread finishedThread = std::move(thread_);
  lock.unlock();  // the download's last step takes the lock
  finishedThread.join();
  lock.lock();
}

}  // namespace nc
