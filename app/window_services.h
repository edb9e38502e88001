// What the window asks of the desktop: message boxes, the folder browser, opening URLs and
// ending the program.
//
// The window reaches these only through this interface, so tests replace them with recorders
// and never wait on a real dialog. QtWindowServices is the real thing. Every function is called
// on the window thread.
#pragma once

#include <QString>
#include <QUrl>

#include "catalogue/notifier.h"

class QWidget;

namespace nc {

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // A modal message box captioned "信息：" with one OK button; returns when it is closed.
  virtual void showMessage(const QString& text, MessageIcon icon) = 0;

  // A modal OK/Cancel question kept on top of all windows; true for OK.
  virtual bool confirm(const QString& text, const QString& caption) = 0;

  // Asks the desktop to open `url` (a web page or a local directory); the result is ignored.
  virtual void openUrl(const QUrl& url) = 0;

  // The folder browser; the chosen directory, or an empty string when it was cancelled.
  virtual QString chooseDirectory(QWidget* owner, const QString& title, const QString& start) = 0;

  // Ends the program with `exitCode` after its exit routine (the real one does not return).
  virtual void endProgram(int exitCode) = 0;
};

class QtWindowServices : public WindowServices {
 public:
  void showMessage(const QString& text, MessageIcon icon) override;
  bool confirm(const QString& text, const QString& caption) override;
  void openUrl(const QUrl& url) override;
  QString chooseDirectory(QWidget* owner, const QString& title, const QString& start) override;
  void endProgram(int exitCode) override;
};

}  // namespace nc
