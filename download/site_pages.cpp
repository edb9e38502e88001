#include "download/site_pages.h"

#include <string_view>

#include "catalogue/user_texts.h"
#include "download/text_between.h"
#include "script/regex_object.h"
#include "text/code_page.h"

namespace nc {
namespace {

constexpr std::string_view kLinkPattern = "<a href =\"(.*?)\">";
constexpr std::string_view kParagraphPattern = "<br /><br />(.*?)<br /><br />";
constexpr std::string_view kTitleStart = "<span class=\"title\">";
constexpr std::string_view kTitleEnd = "</span>";
constexpr std::string_view kParagraphSeparator = "\r\n\r\n";

// Group 1 of every match of `pattern` (not case-sensitive, multi-line, global).
std::vector<Text> allFirstGroups(std::string_view pattern, const Text& subject) {
  RegexObject regex;
  regex.execute(pattern, subject);
  const int count = regex.matchCount();
  std::vector<Text> groups;
  groups.reserve(static_cast<std::size_t>(count));
  for (int match = 1; match <= count; ++match) groups.push_back(regex.subMatchText(match, 1));
  return groups;
}

}  // namespace

IndexPage readIndexPage(const Text& page) {
  IndexPage index;
  index.chapterTotal =
      textBetween(page, utf8ToText(texts::kChapterTotalStart), utf8ToText(texts::kChapterTotalEnd));
  index.chapterLinks = allFirstGroups(kLinkPattern, page);
  return index;
}

ChapterPage readChapterPage(const Text& page) {
  ChapterPage chapter;
  chapter.title = textBetween(page, kTitleStart, kTitleEnd);
  chapter.paragraphs = allFirstGroups(kParagraphPattern, page);
  return chapter;
}

Text chapterFileContent(const std::vector<Text>& paragraphs) {
  std::size_t size = 0;
  for (const Text& paragraph : paragraphs) size += kParagraphSeparator.size() + paragraph.size();
  Text content;
  content.reserve(size);
  for (const Text& paragraph : paragraphs) {
    content += kParagraphSeparator;
    content += paragraph;
  }
  return content;
}

}  // namespace nc
