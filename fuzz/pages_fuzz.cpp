// Reads arbitrary index and chapter pages as the download job does and turns their titles into
// file names, which must never leave their directory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "download/safe_file_name.h"
#include "download/site_pages.h"
#include "download/text_between.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nc::Text page = nc::textUpToZero(std::string(reinterpret_cast<const char*>(data), size));
  nc::IndexPage index = nc::readIndexPage(page);
  nc::ChapterPage chapter = nc::readChapterPage(page);
  nc::chapterFileContent(chapter.paragraphs);
  nc::textBetween(page, "#引号", "<", 0, true);
  for (const nc::Text& title : {chapter.title, index.chapterTotal, page}) {
    std::string name = nc::safeFileName(title, "fallback");
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos || name.size() > nc::kMaxFileNameBytes) {
      std::abort();
    }
  }
  return 0;
}
