// The demo site in-process on a free loopback port, and what its content says the download
// directory must hold afterwards.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

#include "catalogue/book_list.h"
#include "demo-site/novel_site_server.h"
#include "download/safe_file_name.h"
#include "tests/download/temp_dir.h"
#include "text/code_page.h"

namespace nc::testing {

inline std::unique_ptr<demo::NovelSiteServer> startDemoSite(demo::SiteOptions options) {
  options.port = 0;
  auto site = std::make_unique<demo::NovelSiteServer>(options);
  EXPECT_TRUE(site->start());
  return site;
}

// Small content: 2 listing pages of 3 books, 6 chapters of 3 paragraphs.
inline demo::SiteOptions smallSite() {
  demo::SiteOptions options;
  options.content.pagesPerCategory = 2;
  options.content.booksPerPage = 3;
  options.content.chaptersPerBook = 6;
  options.content.paragraphsPerChapter = 3;
  options.content.paragraphChars = 20;
  return options;
}

// Appends the listed books of category `sortId`, page 1, as a crawl would.
inline void appendListing(BookList& books, const demo::NovelSiteServer& site, int sortId, std::size_t count) {
  const auto entries = site.content().listing(sortId, 1);
  for (std::size_t i = 0; i < count && i < entries.size(); ++i) {
    const demo::ListingEntry& entry = entries[i];
    books.appendRow({site.origin() + entry.urlList, utf8ToText(entry.author), utf8ToText(entry.title),
                     utf8ToText(entry.intro)});
  }
}

// The file (relative path, UTF-8) -> content (code page 936) map a complete download of the
// book list's first `count` rows must give, chapter files or one merged file per book.
inline std::map<std::string, std::string> expectedFiles(const demo::NovelSiteServer& site, int sortId,
                                                        std::size_t count, bool merged) {
  std::map<std::string, std::string> files;
  const auto entries = site.content().listing(sortId, 1);
  const int chapters = site.content().options().chaptersPerBook;
  for (std::size_t row = 0; row < count; ++row) {
    const demo::ListingEntry& entry = entries[row];
    const std::string bookDir = safeFileName(utf8ToText(entry.title), std::to_string(row));
    std::string mergedText;
    std::set<std::string> names;
    for (int chapter = 1; chapter <= chapters; ++chapter) {
      std::string content;
      for (const std::string& paragraph : site.content().chapterParagraphs(entry.bookId, chapter)) {
        content += "\r\n\r\n" + paragraph;
      }
      const std::string title = site.content().chapterTitle(entry.bookId, chapter);
      std::string name = safeFileName(utf8ToText(title), std::to_string(chapter));
      if (!names.insert(name).second) name += " (" + std::to_string(chapter) + ")";
      if (merged) {
        mergedText += content;
      } else {
        files[bookDir + "/" + name + ".txt"] = utf8ToText(content);
      }
    }
    if (merged) files[bookDir + "/" + bookDir + ".txt"] = utf8ToText(mergedText);
  }
  return files;
}

// Every regular file below `root`, relative path -> content.
inline std::map<std::string, std::string> filesBelow(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    files[std::filesystem::relative(entry.path(), root).string()] = readFile(entry.path().string());
  }
  return files;
}

}  // namespace nc::testing
