// Reads the novel site's chapter-index and chapter pages (code page 936 text).
//
// Stateless; safe from any thread (each call uses its own regular-expression objects).
#pragma once

#include <vector>

#include "text/text.h"

namespace nc {

struct IndexPage {
  Text chapterTotal;               // the number in content="第...章", as text; may be empty
  std::vector<Text> chapterLinks;  // site-relative paths, in reading order
};

struct ChapterPage {
  Text title;                    // between <span class="title"> and </span>; may be empty
  std::vector<Text> paragraphs;  // in page order
};

IndexPage readIndexPage(const Text& page);
ChapterPage readChapterPage(const Text& page);

// The content of a chapter file: "\r\n\r\n" before each paragraph.
Text chapterFileContent(const std::vector<Text>& paragraphs);

}  // namespace nc
