#include "catalogue/crawl_handle.h"

namespace nc {

CrawlHandle::Phase CrawlHandle::phase() const {
  std::lock_guard lock(mutex_);
  return phase_;
}

void CrawlHandle::setPhase(Phase phase) {
  {
    std::lock_guard lock(mutex_);
    phase_ = phase;
  }
  phaseChanged_.notify_all();
}

bool CrawlHandle::waitUntilNotCrawling(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return phaseChanged_.wait_for(lock, timeout, [this] { return phase_ != Phase::crawling; });
}

bool CrawlHandle::waitUntilFinished(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return phaseChanged_.wait_for(lock, timeout, [this] { return phase_ == Phase::finished; });
}

}  // namespace nc
