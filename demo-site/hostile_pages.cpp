#include "demo-site/hostile_pages.h"

namespace nc::demo {
namespace {

constexpr int kHugeCount = 100000;
constexpr std::size_t kHugeChapterBytes = 50u * 1024 * 1024;
constexpr int kHugeIndexBook = kFirstHostileBook + 100;
constexpr int kHugeChapterBook = kFirstHostileBook + 101;

std::string listingElement(int bookId, const std::string& title) {
  return "{\"url_list\":\"/book/" + std::to_string(bookId) + "/\",\"author\":\"hostile\",\"articlename\":\"" +
         title + "\",\"intro\":\"x\"}";
}

std::string hostileTitleJson(int n) {
  switch (n) {
    case 0:
      return "a/b/../../../etc";
    case 1:
      return "..";
    case 2:
      return "\\u0001\\u001f\\u007fcontrol";
    case 3: {
      std::string longName;
      for (int i = 0; i < 100; ++i) longName += "长";  // 300 bytes of UTF-8, 200 in code page 936
      return longName;
    }
    default:
      return "/";
  }
}

}  // namespace

std::optional<HostileReply> hostileListing(int sortId, int page, const std::string& selfUrl) {
  if (sortId < 1 || sortId > static_cast<int>(HostileCategory::hugeChapter)) return std::nullopt;
  HostileReply reply;
  reply.contentType = "application/json; charset=utf-8";
  if (page != 1) {
    reply.body = "[]";
    return reply;
  }
  switch (static_cast<HostileCategory>(sortId)) {
    case HostileCategory::hugeListing:
      reply.body = "[";
      for (int i = 0; i < kHugeCount; ++i) {
        if (i > 0) reply.body += ",";
        reply.body += listingElement(kFirstHostileBook + 200 + i, "book " + std::to_string(i));
      }
      reply.body += "]";
      return reply;
    case HostileCategory::deepNesting:
      reply.body = std::string(kHugeCount, '[') + std::string(kHugeCount, ']');
      return reply;
    case HostileCategory::invalidUtf8:
      reply.body =
          "[{\"url_list\":\"/book/1/"
          "\",\"articlename\":\"\xFF\xFE\xC0\xAF\xED\xA0\x80\x80\",\"author\":\"\xE4\xB8\"}]";
      return reply;
    case HostileCategory::redirectLoop:
      reply.status = 302;
      reply.location = selfUrl;
      return reply;
    case HostileCategory::neverAnswers:
      reply.neverAnswer = true;
      return reply;
    case HostileCategory::hostileTitles:
      reply.body = "[";
      for (int i = 0; i < 5; ++i) {
        if (i > 0) reply.body += ",";
        reply.body += listingElement(kFirstHostileBook + i, hostileTitleJson(i));
      }
      reply.body += "]";
      return reply;
    case HostileCategory::hugeIndex:
      reply.body = "[" + listingElement(kHugeIndexBook, "huge index") + "]";
      return reply;
    case HostileCategory::hugeChapter:
      reply.body = "[" + listingElement(kHugeChapterBook, "huge chapter") + "]";
      return reply;
    default:
      return std::nullopt;
  }
}

std::optional<HostileReply> hostileBookPage(int bookId, int chapter) {
  if (bookId < kFirstHostileBook) return std::nullopt;
  HostileReply reply;
  std::string base = "/book/" + std::to_string(bookId) + "/";
  if (chapter == 0) {
    int links = bookId == kHugeIndexBook ? kHugeCount : 2;
    reply.body = "<html><meta content=\"第" + std::to_string(links) + "章\">\n";
    for (int n = 1; n <= links; ++n)
      reply.body += "<a href =\"" + base + std::to_string(n) + ".html\">c</a>\n";
    reply.body += "</html>\n";
    return reply;
  }
  if (bookId == kHugeChapterBook) {
    reply.body.reserve(kHugeChapterBytes + 256);
    reply.body = "<span class=\"title\">huge</span>\n";
    const std::string line = "<br /><br />" + std::string(1000, 'x') + "<br /><br />\n";
    while (reply.body.size() < kHugeChapterBytes) reply.body += line;
    return reply;
  }
  // Chapters of hostile books: a title made to escape the directory, and one paragraph.
  reply.body = "<span class=\"title\">../../" + std::to_string(chapter) + "/x</span>\n<br /><br />p" +
               std::to_string(chapter) + "<br /><br />\n";
  return reply;
}

}  // namespace nc::demo
