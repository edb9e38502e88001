// The demo novel site's content: nine categories of listing pages, books with chapter-index
// pages, chapter pages and the notice file, generated deterministically from a seed and sizes.
//
// The same options always give the same site, so tests and the soak script can compute what
// any page and any chapter must hold. All text is UTF-8. Immutable after construction; safe to
// share between threads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nc::demo {

inline constexpr int kCategoryCount = 9;

struct ContentOptions {
  std::uint32_t seed = 1;
  int pagesPerCategory = 3;
  int booksPerPage = 20;
  int chaptersPerBook = 30;
  int paragraphsPerChapter = 8;
  int paragraphChars = 60;
  // Titles a file system rejects ("/", ":", "?", "..", "<>|*", control characters) on a few books
  // of the first listing page, and a repeated chapter title in the first book.
  bool hostileTitles = true;
};

// A notice member given this value is left out of the notice object.
inline constexpr const char* kAbsent = "(absent)";

// What the notice file says; the defaults let the program start. Any member may be kAbsent, and
// "json-true" or "json-false" write the JSON booleans instead of a string.
struct NoticeOptions {
  std::string version = "v1.1";
  std::string pictureOn = "true";
  std::string debug = "false";
  std::string information = "欢迎使用小说爬虫！本地演示站点已连接。";
  std::string updateText = "发现新版本，请前往下载页面更新。";
  std::string downloadLink;  // empty = this site's origin + "/download/"
  std::string pictureUrl1;   // empty = this site's first About picture
  std::string pictureUrl2;   // empty = this site's second About picture
  std::string rawBody;       // when not empty, served as the notice file in place of the object
  bool served = true;        // false: the notice file answers 404
};

struct ListingEntry {
  int bookId = 0;
  std::string urlList;  // site-relative path of the chapter-index page
  std::string author;
  std::string title;
  std::string intro;
};

class NovelSiteContent {
 public:
  explicit NovelSiteContent(ContentOptions options = {});

  const ContentOptions& options() const { return options_; }

  // The category page path for sortid 1..9 ("/xuanhuan/" ...); empty otherwise.
  static std::string categoryPath(int sortId);
  // The sortid whose category page path is `path`; 0 when none.
  static int sortIdOfCategoryPath(const std::string& path);

  // The books of one listing page; empty past the last page or for an unknown category.
  std::vector<ListingEntry> listing(int sortId, int page) const;
  std::optional<ListingEntry> book(int bookId) const;
  int bookCount() const;

  std::string chapterTitle(int bookId, int chapter) const;
  std::vector<std::string> chapterParagraphs(int bookId, int chapter) const;
  // Site-relative URL of a chapter page.
  static std::string chapterPath(int bookId, int chapter);
  static std::string bookPath(int bookId);

  // Whole pages, as served.
  std::string categoryPage(int sortId) const;
  std::string listingJson(int sortId, int page) const;
  std::string indexPage(int bookId) const;
  std::string chapterPage(int bookId, int chapter) const;
  // The site's home page ("/"), which also stands as the notice server's home page.
  static std::string homePage();
  static std::string noticeJson(const NoticeOptions& notice, const std::string& origin);

 private:
  ContentOptions options_;
};

// Paths of the two About pictures the notice names by default.
inline constexpr const char* kPicturePath1 = "/wp-content/about-1.png";
inline constexpr const char* kPicturePath2 = "/wp-content/about-2.png";

// A small valid PNG picture (a filled square with a border) of the given colour.
std::string makePng(int size, std::uint32_t rgb);

}  // namespace nc::demo
