// Prints microseconds per page for the two hot uses of the script objects: reading a catalogue
// listing page (parse plus four fields of each of 50 books) and cutting a 100 KB chapter page
// with the download job's two patterns.
#include <chrono>
#include <cstdio>
#include <string>

#include "script/json_object.h"
#include "script/regex_object.h"
#include "text/code_page.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBooksPerPage = 50;
constexpr std::size_t kChapterPageBytes = 100 * 1024;

nc::Text listingPage() {
  std::string utf8 = "[";
  for (int i = 0; i < kBooksPerPage; ++i) {
    if (i > 0) utf8 += ",";
    utf8 +=
        R"({"articleid":)" + std::to_string(1000 + i) + R"(,"articlename":"第)" + std::to_string(i) +
        R"(本书 长夜余火","author":"作者)" + std::to_string(i) + R"(","url_list":"http://127.0.0.1/book/)" +
        std::to_string(1000 + i) +
        R"(/","intro":"　　这是一段简介，讲述了一个很长很长的故事。\r\n第二段简介\"引号\"。","lastupdate":1700000000,)"
        R"("sortname":"玄幻","fullflag":false})";
  }
  utf8 += "]";
  return nc::utf8ToText(utf8);
}

nc::Text chapterPage() {
  const nc::Text paragraph = nc::utf8ToText(
      "<br /><br />　　夜色深沉，他站在城墙上望着远方的灯火，心中想着明天的事情。<br /><br />\n");
  nc::Text page = nc::utf8ToText("<html><head><title>第一章</title></head><body><div id=\"content\">");
  int link = 0;
  while (page.size() < kChapterPageBytes) {
    page += paragraph;
    if (++link % 20 == 0)
      page += "<a href =\"/book/1/" + std::to_string(link) + ".html\">" + nc::utf8ToText("下一章") + "</a>\n";
  }
  return page + "</div></body></html>";
}

template <typename Work>
double microsecondsPerRun(int runs, Work work) {
  work();  // warm up
  auto start = Clock::now();
  for (int i = 0; i < runs; ++i) work();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / runs;
}

}  // namespace

int main() {
  const nc::Text listing = listingPage();
  std::size_t sink = 0;
  double listingMicros = microsecondsPerRun(2000, [&] {
    nc::JsonObject json;
    json.parse(listing);
    int count = json.getCount("");
    for (int k = 0; k < count; ++k) {
      std::string at = "[" + std::to_string(k);
      sink += json.getText(at + "]['url_list']").size() + json.getText(at + "].author").size() +
              json.getText(at + "].articlename").size() + json.getText(at + "].intro").size();
    }
  });
  std::printf("listing page (%zu bytes, %d books): parse + 4 fields each: %.1f us/page\n", listing.size(),
              kBooksPerPage, listingMicros);

  const nc::Text chapter = chapterPage();
  nc::RegexObject regex;
  double linkMicros = microsecondsPerRun(300, [&] {
    regex.execute("<a href =\"(.*?)\">", chapter);
    for (int i = 1; i <= regex.matchCount(); ++i) sink += regex.subMatchText(i, 1).size();
  });
  int links = regex.matchCount();
  double paragraphMicros = microsecondsPerRun(300, [&] {
    regex.execute("<br /><br />(.*?)<br /><br />", chapter);
    for (int i = 1; i <= regex.matchCount(); ++i) sink += regex.subMatchText(i, 1).size();
  });
  std::printf("chapter page (%zu bytes): links pattern (%d matches): %.1f us/page\n", chapter.size(), links,
              linkMicros);
  std::printf("chapter page (%zu bytes): paragraph pattern (%d matches): %.1f us/page\n", chapter.size(),
              regex.matchCount(), paragraphMicros);
  double charsetMicros = microsecondsPerRun(300, [&] {
    regex.execute("<meta.+?charset=[^\\w]?([-\\w]+)", chapter);
    sink += regex.subMatchText(1, 1).size();
  });
  std::printf("chapter page (%zu bytes): charset pattern: %.1f us/page\n", chapter.size(), charsetMicros);
  return sink == 0 ? 1 : 0;
}
