// The download directory setting: config.ini beside the executable, section "Config", key
// "路径", in code page 936.
//
// load() reads the stored directory into the AppState; choose() runs the folder browser, stores
// the choice and reads it back; open() shows the directory in the file manager. The label text
// is "当前选择路径为：\r\n\r\n" followed by the directory. Writing failures (a read-only
// directory) show no message. Window thread only.
#pragma once

#include <optional>
#include <string>

#include <QString>

#include "text/text.h"

class QWidget;

namespace nc {

class AppState;
class WindowServices;

// config.ini in the directory of the running executable (a UTF-8 file-system path).
std::string defaultConfigPath();

// The directory label's text for `dir`.
QString directoryLabelText(const Text& dir);

class DirectorySetting {
 public:
  DirectorySetting(AppState& state, WindowServices& services, std::string configPath);

  const std::string& configPath() const { return configPath_; }

  // Reads the stored directory into downloadDir; returns it (empty when none is stored).
  Text load();

  // The folder browser, owned by `owner`. A chosen directory is stored and read back into
  // downloadDir (which then holds what the file holds), and the browsed path is returned for
  // the label; a cancelled browser keeps the previous directory and returns nothing.
  std::optional<Text> choose(QWidget* owner);

  // Opens downloadDir in the file manager; an empty directory opens nothing.
  void open();

 private:
  Text readStored() const;
  bool store(const Text& dir) const;

  AppState& state_;
  WindowServices& services_;
  std::string configPath_;
};

}  // namespace nc
