#include "catalogue/app_state.h"

#include <sys/utsname.h>

#include <cstdlib>

#include "catalogue/crawl_handle.h"
#include "pool/thread_pool.h"

namespace nc {
namespace {

constexpr std::uint32_t kVersionPartMask = 0xFF;
constexpr std::uint32_t kMajorShift = 8;

}  // namespace

std::uint32_t kernelVersion() {
  utsname names{};
  if (uname(&names) != 0) return 0;
  char* rest = nullptr;
  const unsigned long major = std::strtoul(names.release, &rest, 10);
  unsigned long minor = 0;
  if (rest != nullptr && *rest == '.') minor = std::strtoul(rest + 1, nullptr, 10);
  return static_cast<std::uint32_t>(((major & kVersionPartMask) << kMajorShift) | (minor & kVersionPartMask));
}

AppState::AppState() : osVersion_(kernelVersion()), downloadPool_(std::make_unique<ThreadPool>()) {}

AppState::~AppState() = default;

Text AppState::listingTemplate() const {
  std::lock_guard lock(mutex_);
  return categoryUrls_.listingTemplate;
}

Text AppState::refererUrl() const {
  std::lock_guard lock(mutex_);
  return categoryUrls_.refererUrl;
}

CategoryUrls AppState::categoryUrls() const {
  std::lock_guard lock(mutex_);
  return categoryUrls_;
}

void AppState::setCategoryUrls(CategoryUrls urls) {
  std::lock_guard lock(mutex_);
  categoryUrls_ = std::move(urls);
}

Text AppState::downloadDir() const {
  std::lock_guard lock(mutex_);
  return downloadDir_;
}

void AppState::setDownloadDir(Text dir) {
  std::lock_guard lock(mutex_);
  downloadDir_ = std::move(dir);
}

std::shared_ptr<CrawlHandle> AppState::crawlThread() const {
  std::lock_guard lock(mutex_);
  return crawlThread_;
}

void AppState::setCrawlThread(std::shared_ptr<CrawlHandle> handle) {
  std::lock_guard lock(mutex_);
  crawlThread_ = std::move(handle);
}

DownloadSettings AppState::downloadSettings() const {
  std::lock_guard lock(mutex_);
  return downloadSettings_;
}

void AppState::setDownloadSettings(DownloadSettings settings) {
  std::lock_guard lock(mutex_);
  downloadSettings_ = std::move(settings);
}

void AppState::setPooledMode(bool on) {
  std::lock_guard lock(mutex_);
  downloadSettings_.pooledMode = on;
}

void AppState::setSingleThreadMode(bool on) {
  std::lock_guard lock(mutex_);
  downloadSettings_.singleThreadMode = on;
}

void AppState::setMinThreadsText(Text text) {
  std::lock_guard lock(mutex_);
  downloadSettings_.minThreadsText = std::move(text);
}

void AppState::setMaxThreadsText(Text text) {
  std::lock_guard lock(mutex_);
  downloadSettings_.maxThreadsText = std::move(text);
}

}  // namespace nc
