// Feeds arbitrary bytes to every code-page conversion and checks the invariants callers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  nc::Text fromUtf8 = nc::utf8ToText(bytes);
  nc::ByteSet wide936 = nc::textToWide(bytes);
  nc::ByteSet wideUtf8 = nc::multiByteToWide(bytes, nc::kCodePageUtf8);
  nc::Text fromWide = nc::wideToText(bytes);
  std::string utf8 = nc::textToUtf8(bytes);
  // A Text never holds a zero byte; a wide result is empty or ends with exactly one zero unit.
  for (const nc::Text& text : {fromUtf8, fromWide}) {
    if (text.find('\0') != nc::Text::npos) std::abort();
  }
  for (const nc::ByteSet& wide : {wide936, wideUtf8}) {
    if (!wide.empty() && (wide.size() % 2 != 0 || wide[wide.size() - 1] != 0 || wide[wide.size() - 2] != 0)) {
      std::abort();
    }
  }
  // Code page 936 text survives the trip through UTF-8 unchanged when it was valid to begin with.
  if (nc::utf8ToText(nc::textToUtf8(fromUtf8)) != fromUtf8) std::abort();
  return 0;
}
