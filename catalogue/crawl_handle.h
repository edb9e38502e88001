// The handle of one catalogue crawl: its stop request and how far it has come.
//
// Shared between the crawl's own thread and the threads that ask it to stop (the window
// thread). Every function is safe from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace nc {

class CrawlHandle {
 public:
  enum class Phase {
    crawling,  // requesting pages and appending rows
    closing,   // no more rows; showing its closing message, if any
    finished,  // the thread is done
  };

  // Asks the crawl to stop: an in-flight request is aborted and no row is appended afterwards.
  void requestStop() { stopRequested_.store(true); }
  bool stopRequested() const { return stopRequested_.load(); }

  // The cancel token for the crawl's requests.
  const std::atomic<bool>* cancelToken() const { return &stopRequested_; }

  Phase phase() const;
  void setPhase(Phase phase);

  // Waits until the crawl has left the crawling phase; false when `timeout` passed first.
  bool waitUntilNotCrawling(std::chrono::milliseconds timeout) const;

  // Waits until the crawl thread is done; false when `timeout` passed first.
  bool waitUntilFinished(std::chrono::milliseconds timeout) const;

 private:
  std::atomic<bool> stopRequested_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable phaseChanged_;
  Phase phase_ = Phase::crawling;
};

}  // namespace nc
