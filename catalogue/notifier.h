// Shows a message to the user and waits until it has been closed.
//
// The core reports to the user only through this interface: the window shows a modal message
// box, the command line prints the text, tests record it. showMessage may be called from any
// thread (crawl threads call it for their closing messages); an implementation that must show
// the message on another thread blocks the caller until the message is closed. The core never
// calls it while holding a lock.
#pragma once

#include "text/text.h"

namespace nc {

enum class MessageIcon { information, error };

class Notifier {
 public:
  virtual ~Notifier() = default;

  // Shows `message` (code page 936) with `icon`; returns once the user has closed it.
  virtual void showMessage(const Text& message, MessageIcon icon) = 0;
};

}  // namespace nc
