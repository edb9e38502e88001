// A notifier that records every message (as UTF-8) instead of showing it.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "catalogue/notifier.h"
#include "text/code_page.h"

namespace nc::testing {

class RecordingNotifier : public Notifier {
 public:
  struct Message {
    std::string text;  // UTF-8
    MessageIcon icon;
  };

  void showMessage(const Text& message, MessageIcon icon) override {
    {
      std::lock_guard lock(mutex_);
      messages_.push_back({textToUtf8(message), icon});
    }
    changed_.notify_all();
  }

  std::vector<Message> messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }

  std::vector<std::string> texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const Message& message : messages_) texts.push_back(message.text);
    return texts;
  }

  // Waits until at least `count` messages arrived; false after `timeout`.
  bool waitForCount(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Message> messages_;
};

}  // namespace nc::testing
