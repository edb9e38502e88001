// The program-wide state shared by the window thread and the worker threads.
//
// One AppState exists per program (the window owns it; the command line and tests make their
// own). Text fields are guarded by a mutex and handed out as copies, so a worker always reads a
// whole value; the two category URLs are read and written together. The merge option is an
// atomic flag that download jobs read for every chapter. codePage and osVersion are fixed at
// construction. downloadPool is the pool of the pooled download mode; it exists from
// construction on, without threads until a pooled download creates it, and is shut down
// (queued tasks dropped, no wait) when the AppState is destroyed.
//
// Every function is safe from any thread. Destroy the crawler and the dispatcher that use an
// AppState before the AppState itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "text/text.h"

namespace nc {

class CrawlHandle;
class ThreadPool;

// The category's listing template ("**" = page number) and the referer sent with it.
struct CategoryUrls {
  Text listingTemplate;
  Text refererUrl;
};

// The thread-mode controls that the download dispatcher reads when "开始下载" is clicked.
struct DownloadSettings {
  bool pooledMode = false;        // "是否启用多线程模式"
  bool singleThreadMode = false;  // "使用单线程"
  Text minThreadsText = "5";      // 编辑框_最小线程, decimal text
  Text maxThreadsText = "10";     // 编辑框_最大线程, decimal text
};

// Running kernel version as major * 256 + minor (each taken as one byte); 0 when unknown.
std::uint32_t kernelVersion();

class AppState {
 public:
  AppState();
  ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  Text listingTemplate() const;
  Text refererUrl() const;
  CategoryUrls categoryUrls() const;
  void setCategoryUrls(CategoryUrls urls);

  Text downloadDir() const;
  void setDownloadDir(Text dir);

  int codePage() const { return kCodePage936; }
  std::uint32_t osVersion() const { return osVersion_; }

  ThreadPool& downloadPool() { return *downloadPool_; }

  // The newest crawl (null until the first crawl starts); kept after the crawl has ended.
  std::shared_ptr<CrawlHandle> crawlThread() const;
  void setCrawlThread(std::shared_ptr<CrawlHandle> handle);

  DownloadSettings downloadSettings() const;
  void setDownloadSettings(DownloadSettings settings);
  void setPooledMode(bool on);
  void setSingleThreadMode(bool on);
  void setMinThreadsText(Text text);
  void setMaxThreadsText(Text text);

  // "是否需要把全部文章结合在一个文本里面": read by download jobs for every chapter.
  bool mergeChapters() const { return mergeChapters_.load(); }
  void setMergeChapters(bool on) { mergeChapters_.store(on); }

 private:
  mutable std::mutex mutex_;
  CategoryUrls categoryUrls_;
  Text downloadDir_;
  std::shared_ptr<CrawlHandle> crawlThread_;
  DownloadSettings downloadSettings_;
  std::atomic<bool> mergeChapters_{false};
  const std::uint32_t osVersion_;
  std::unique_ptr<ThreadPool> downloadPool_;
};

}  // namespace nc
