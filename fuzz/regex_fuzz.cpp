// Runs the download job's and the charset detection's patterns over arbitrary subjects and
// reads every match, group and position.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/regex_object.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string subject(reinterpret_cast<const char*>(data), size);
  for (const char* pattern : {"<a href =\"(.*?)\">", "<br /><br />(.*?)<br /><br />",
                              "<meta.+?charset=[^\\w]?([-\\w]+)"}) {
    nc::RegexObject regex;
    if (!regex.execute(pattern, subject)) std::abort();  // the patterns are valid
    int count = regex.matchCount();
    for (int match = 0; match <= count + 1; ++match) {
      int position = -1;
      nc::Text group = regex.subMatchText(match, 1, &position);
      nc::Text whole = regex.matchText(match);
      if (match >= 1 && match <= count) {
        if (group.size() > whole.size() || position < 0 || static_cast<std::size_t>(position) > subject.size()) {
          std::abort();
        }
      }
    }
    regex.replace("[$1]");
  }
  return 0;
}
