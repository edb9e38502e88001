#include "app/remote_notice.h"

#include <thread>

#include <QEventLoop>
#include <QUrl>

#include "app/picture_box.h"
#include "app/qt_text.h"
#include "app/window_services.h"
#include "app/window_texts.h"
#include "script/json_object.h"
#include "text/code_page.h"
#include "web/com_web_request.h"
#include "web/web_request.h"

namespace nc {
namespace {

// Paths of the notice's values, as the notice file is laid out.
constexpr std::string_view kReleasePath = "date['version_number']";
constexpr std::string_view kInformationPath = "date.Attributes.information";
constexpr std::string_view kUpdateTextPath = "date.Attributes['Check-for-updates']";
constexpr std::string_view kDownloadLinkPath = "date.Attributes['download_link']";
constexpr std::string_view kPictureSwitchPath = "date['Picture_on']";
constexpr std::string_view kFirstPicturePath = "date.Attributes['Picture_output 1']";
constexpr std::string_view kSecondPicturePath = "date.Attributes['Picture_output 2']";
constexpr std::string_view kDebugPath = "date.debug";
constexpr std::string_view kTrue = "true";

Text valueAt(JsonObject& json, std::string_view path) {
  return json.getText(Text(path));
}

ByteSet fetchPicture(const Text& url) {
  ByteSet bytes;
  runKeepingWindowPainted([&] {
    ComWebRequestCall call;
    call.url = url;
    bytes = ComWebRequest(call);
  });
  return bytes;
}

}  // namespace

void runKeepingWindowPainted(const std::function<void()>& work) {
  QEventLoop loop;
  std::thread worker([&] {
    work();
    // Runs on the window thread once the loop below is running (or as soon as it runs).
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
}

bool isOpenableWebUrl(const QString& url) {
  const QUrl parsed(url, QUrl::StrictMode);
  const QString scheme = parsed.scheme().toLower();
  return parsed.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
         !parsed.host().isEmpty();
}

RemoteNotice::RemoteNotice(WindowServices& services, Text origin)
    : services_(services), origin_(std::move(origin)) {}

Text RemoteNotice::noticeUrl() const {
  return origin_ + Text(texts::kNoticePath);
}

void RemoteNotice::fetch(JsonObject& json) const {
  Text page;
  const Text url = noticeUrl();
  runKeepingWindowPainted([&] {
    WebRequestCall call;
    call.url = url;
    page = WebRequest(call);
  });
  json.parse(utf8ToText(page));
}

bool RemoteNotice::checkAtStart(JsonObject& json) {
  fetch(json);
  const Text release = valueAt(json, kReleasePath);
  const Text downloadLink = valueAt(json, kDownloadLinkPath);
  const Text information = valueAt(json, kInformationPath);
  const Text updateText = valueAt(json, kUpdateTextPath);
  if (release == Text(texts::kReleaseText)) {
    services_.showMessage(toQString(information), MessageIcon::information);
    return true;
  }
  services_.showMessage(toQString(updateText), MessageIcon::information);
  const QString link = toQString(downloadLink);
  if (isOpenableWebUrl(link)) services_.openUrl(QUrl(link));
  services_.endProgram(0);
  return false;
}

void RemoteNotice::showAboutPictures(PictureBox* first, PictureBox* second) {
  JsonObject json;
  fetch(json);
  const Text pictureSwitch = valueAt(json, kPictureSwitchPath);
  const Text firstUrl = valueAt(json, kFirstPicturePath);
  const Text secondUrl = valueAt(json, kSecondPicturePath);
  if (pictureSwitch != Text(kTrue)) return;
  first->show();
  second->show();
  first->setPictureBytes(fetchPicture(firstUrl));
  second->setPictureBytes(fetchPicture(secondUrl));
}

bool RemoteNotice::confirmExit() {
  JsonObject json;
  fetch(json);
  const Text debug = valueAt(json, kDebugPath);
  if (!services_.confirm(fromUtf8(texts::kExitQuestion), fromUtf8(texts::kExitCaption))) return false;
  if (debug == Text(kTrue)) {
    const QString home = toQString(origin_);
    if (isOpenableWebUrl(home)) services_.openUrl(QUrl(home));
  }
  services_.endProgram(0);
  return true;
}

}  // namespace nc
