#include "app/directory_setting.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <QCoreApplication>
#include <QDir>
#include <QUrl>

#include "app/ini_file.h"
#include "app/qt_text.h"
#include "app/window_services.h"
#include "app/window_texts.h"
#include "catalogue/app_state.h"
#include "download/file_writer.h"
#include "text/code_page.h"

namespace nc {
namespace {

ByteSet readFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return ByteSet(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Text configSection() {
  return utf8ToText(texts::kConfigSection);
}
Text configKey() {
  return utf8ToText(texts::kConfigKey);
}

}  // namespace

std::string defaultConfigPath() {
  const QString dir = QCoreApplication::applicationDirPath();
  return (dir + QLatin1Char('/') + fromUtf8(texts::kConfigFileName)).toStdString();
}

QString directoryLabelText(const Text& dir) {
  return fromUtf8(texts::kDirectoryLabelPrefix) + toQString(dir);
}

DirectorySetting::DirectorySetting(AppState& state, WindowServices& services, std::string configPath)
    : state_(state), services_(services), configPath_(std::move(configPath)) {}

Text DirectorySetting::readStored() const {
  return readIniValue(readFile(configPath_), configSection(), configKey());
}

bool DirectorySetting::store(const Text& dir) const {
  const ByteSet updated = writeIniValue(readFile(configPath_), configSection(), configKey(), dir);
  return writeWholeFile(configPath_, updated);
}

Text DirectorySetting::load() {
  state_.setDownloadDir(readStored());
  return state_.downloadDir();
}

std::optional<Text> DirectorySetting::choose(QWidget* owner) {
  const QString start = toQString(state_.downloadDir());
  const QString chosen = services_.chooseDirectory(owner, fromUtf8(texts::kFolderBrowserTitle), start);
  if (chosen.isEmpty()) return std::nullopt;  // cancelled: the previous directory stays
  const Text browsed = fromQString(QDir::toNativeSeparators(chosen));
  state_.setDownloadDir(browsed);
  store(browsed);
  // The directory is what the file holds (a failed write leaves the stored value).
  state_.setDownloadDir(readStored());
  return browsed;
}

void DirectorySetting::open() {
  const Text dir = state_.downloadDir();
  if (dir.empty()) return;
  services_.openUrl(QUrl::fromLocalFile(toQString(dir)));
}

}  // namespace nc
