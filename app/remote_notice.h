// The remote notice: a JSON file on the notice server that steers start-up, the About pictures
// and the exit.
//
// At start it must name the release "v1.1" (its information text is then shown and the window
// opens); any other release, or a notice that cannot be fetched, shows the update text, opens
// the download link and ends the program. On the About page "Picture_on" = "true" shows the two
// pictures it names; at exit "debug" = "true" opens the server's home page after the user has
// confirmed. Only http:// and https:// URLs from the notice are ever opened. Each moment fetches
// the notice anew; the window keeps painting while a fetch runs. Window thread only.
#pragma once

#include <functional>

#include <QString>

#include "text/text.h"

namespace nc {

class JsonObject;
class PictureBox;
class WindowServices;

// Runs `work` on a thread of its own while the window thread goes on painting (user input
// waits until it is done); returns when the work has ended.
void runKeepingWindowPainted(const std::function<void()>& work);

// True for a URL the shell may be asked to open: an http:// or https:// URL with a host.
bool isOpenableWebUrl(const QString& url);

class RemoteNotice {
 public:
  RemoteNotice(WindowServices& services, Text origin);

  // origin + "/wp-content/novel_crawler.json".
  Text noticeUrl() const;
  const Text& origin() const { return origin_; }

  // Fetches the notice into `json` (an unreachable or broken notice leaves every value empty).
  void fetch(JsonObject& json) const;

  // The start-up check. True: go on with the window; false: the program has been asked to end.
  bool checkAtStart(JsonObject& json);

  // The About step: with "Picture_on" "true" shows both picture boxes and loads their pictures.
  void showAboutPictures(PictureBox* first, PictureBox* second);

  // The exit confirmation. True when the user confirmed and the program has been asked to end.
  bool confirmExit();

 private:
  WindowServices& services_;
  Text origin_;
};

}  // namespace nc
