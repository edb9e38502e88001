#include "app/gui_notifier.h"

#include <memory>

#include <QThread>

#include "app/qt_text.h"
#include "app/window_services.h"

namespace nc {

GuiNotifier::GuiNotifier(WindowServices& services, QObject* parent) : QObject(parent), services_(services) {}

GuiNotifier::~GuiNotifier() {
  close();
}

void GuiNotifier::showMessage(const Text& message, MessageIcon icon) {
  if (QThread::currentThread() == thread()) {
    {
      std::lock_guard lock(mutex_);
      if (closed_) return;
    }
    services_.showMessage(toQString(message), icon);
    return;
  }

  std::unique_lock lock(mutex_);
  if (closed_) return;
  auto done = std::make_shared<bool>(false);  // guarded by mutex_
  const QString text = toQString(message);
  // Runs on the window thread; a nested message loop keeps the window alive meanwhile.
  QMetaObject::invokeMethod(
      this,
      [this, text, icon, done] {
        bool closed;
        {
          std::lock_guard lock(mutex_);
          closed = closed_;
        }
        if (!closed) services_.showMessage(text, icon);
        std::lock_guard lock(mutex_);
        *done = true;
        shown_.notify_all();
      },
      Qt::QueuedConnection);
  shown_.wait(lock, [&] { return closed_ || *done; });
}

void GuiNotifier::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  shown_.notify_all();
}

}  // namespace nc
