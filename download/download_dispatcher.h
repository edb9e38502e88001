// What "开始下载" and "停止下载" do: start the book download job in the chosen thread mode, or
// stop it.
//
// start() and stop() are meant for one thread (the window thread); the other functions are safe
// from any thread. A download runs on a thread of its own (single-thread mode: the whole job;
// pooled mode: the job's coordinator, with the chapters on the AppState's downloadPool). At most
// one download runs at a time. Messages go through the Notifier on the calling thread; the
// finished callback runs on the download's thread after its last status write. The destructor
// stops a running download and waits for it; destroy the dispatcher before the AppState,
// BookList and Notifier it uses.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "catalogue/book_list.h"
#include "catalogue/notifier.h"
#include "download/download_progress.h"
#include "text/text.h"

namespace nc {

class AppState;

// An edit box's text as a thread count: leading blanks, an optional sign and decimal digits;
// text that is not a number gives 0; values beyond the int range are clamped.
int parseThreadCount(const Text& text);

struct DispatcherOptions {
  Text origin;                    // prefix of the site-relative chapter links
  int requestTimeoutSeconds = 0;  // 0 = the request routine's default
  int maxAttempts = 3;
  std::chrono::milliseconds retryPause{300};
  // Runs on the download's thread when it has ended (also after a stop).
  std::function<void(const DownloadSummary&)> onFinished;
};

class DownloadDispatcher {
 public:
  // How long stop() waits for the download's thread to end.
  static constexpr std::chrono::milliseconds kStopWait{5000};

  DownloadDispatcher(AppState& state, BookList& books, Notifier& notifier, DispatcherOptions options);
  ~DownloadDispatcher();
  DownloadDispatcher(const DownloadDispatcher&) = delete;
  DownloadDispatcher& operator=(const DownloadDispatcher&) = delete;

  // "开始下载". Neither mode chosen: "请前往【多线程设置】进行设置线程模式后重试"; a download
  // running: "当前已有下载任务正在进行！"; no download directory: "请先到【目录设置】中选择保存
  // 路径后再尝试！" (all with the information icon, nothing started, false). Otherwise starts the
  // download in single-thread mode, or in pooled mode after creating downloadPool from the two
  // edit boxes, and returns true.
  bool start();

  // "停止下载": aborts the requests in flight, stops the download and waits (up to kStopWait) for
  // its thread to end. Does nothing when no download runs.
  void stop();

  bool isRunning() const;

  // Waits until no download runs; false when `timeout` passed first.
  bool waitFinished(std::chrono::milliseconds timeout);

  // Counters of the running (or last) download.
  DownloadProgress::Snapshot progress() const { return progress_.snapshot(); }

  // Summary of the last finished download, if any.
  std::optional<DownloadSummary> lastSummary() const;

 private:
  void joinLocked(std::unique_lock<std::mutex>& lock);

  AppState& state_;
  BookList& books_;
  Notifier& notifier_;
  const DispatcherOptions options_;
  DownloadProgress progress_;
  std::atomic<bool> cancel_{false};
  mutable std::mutex mutex_;
  std::condition_variable finished_;
  bool running_ = false;
  std::thread thread_;
  std::optional<DownloadSummary> lastSummary_;
};

}  // namespace nc
