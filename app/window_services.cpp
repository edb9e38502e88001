#include "app/window_services.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

#include "app/program.h"
#include "app/window_texts.h"

namespace nc {

void QtWindowServices::showMessage(const QString& text, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::error ? QMessageBox::Critical : QMessageBox::Information,
                  fromUtf8(texts::kMessageCaption), text, QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

bool QtWindowServices::confirm(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Cancel);
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  return box.exec() == QMessageBox::Ok;
}

void QtWindowServices::openUrl(const QUrl& url) {
  QDesktopServices::openUrl(url);
}

QString QtWindowServices::chooseDirectory(QWidget* owner, const QString& title, const QString& start) {
  // The browser lists files too, and its path can be typed in.
  return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::DontUseNativeDialog);
}

void QtWindowServices::endProgram(int exitCode) {
  EndProgram(exitCode);
}

}  // namespace nc
