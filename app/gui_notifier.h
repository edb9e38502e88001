// The core's Notifier shown by the window: every message becomes a modal message box on the
// window thread.
//
// showMessage may be called from any thread. On the window thread it shows the box at once; on
// another thread it posts the box to the window thread and blocks the caller until the box has
// been closed. After close() no box is shown any more and every waiting caller returns at once,
// so the exit routine can join worker threads that are waiting for a box. Construct and destroy
// on the window thread, after every worker that uses it has ended.
#pragma once

#include <condition_variable>
#include <mutex>

#include <QObject>

#include "catalogue/notifier.h"

namespace nc {

class WindowServices;

class GuiNotifier : public QObject, public Notifier {
  Q_OBJECT

 public:
  explicit GuiNotifier(WindowServices& services, QObject* parent = nullptr);
  ~GuiNotifier() override;

  void showMessage(const Text& message, MessageIcon icon) override;

  // Drops later messages and releases every waiting caller. Any thread.
  void close();

 private:
  WindowServices& services_;
  std::mutex mutex_;
  std::condition_variable shown_;
  bool closed_ = false;
};

}  // namespace nc
