#include "demo-site/novel_site_content.h"

#include <array>
#include <string_view>

namespace nc::demo {
namespace {

constexpr std::array<const char*, kCategoryCount> kCategorySlugs = {
    "xuanhuan", "wuxia", "dushi", "lishi", "wangyou", "kehuan", "mm", "finish", "top"};
constexpr std::array<const char*, kCategoryCount> kCategoryNames = {"玄幻", "武侠", "都市", "历史",  "网游",
                                                                    "科幻", "女生", "完本", "排行榜"};

constexpr std::string_view kTitleCharacters =
    "天地玄黄宇宙洪荒日月星辰龙凤云风雷火山河剑刀仙魔神妖灵王帝尊道心梦城江湖海夜雪花月影血战破苍穹九州"
    "长生诀传奇录记纪元万古凌霄逍遥无双独步";
constexpr std::string_view kNameCharacters = "子明华强伟芳秀英杰涛俊峰磊玉兰婷云飞宇轩浩然晨阳";
constexpr std::string_view kSurnames = "李王张刘陈杨赵黄周吴徐孙胡朱高林何郭马罗";
constexpr std::string_view kTextCharacters =
    "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面"
    "而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把"
    "性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质"
    "气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活";

std::vector<std::string> splitCharacters(std::string_view utf8) {
  std::vector<std::string> characters;
  for (std::size_t i = 0; i < utf8.size();) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    characters.emplace_back(utf8.substr(i, length));
    i += length;
  }
  return characters;
}

const std::vector<std::string>& titleCharacters() {
  static const std::vector<std::string> characters = splitCharacters(kTitleCharacters);
  return characters;
}
const std::vector<std::string>& nameCharacters() {
  static const std::vector<std::string> characters = splitCharacters(kNameCharacters);
  return characters;
}
const std::vector<std::string>& surnames() {
  static const std::vector<std::string> characters = splitCharacters(kSurnames);
  return characters;
}
const std::vector<std::string>& textCharacters() {
  static const std::vector<std::string> characters = splitCharacters(kTextCharacters);
  return characters;
}

// A small deterministic generator (splitmix64) seeded from the site seed and a few keys.
class Random {
 public:
  Random(std::uint32_t seed, std::uint64_t a, std::uint64_t b = 0, std::uint64_t c = 0)
      : state_(seed * 0x9E3779B97F4A7C15ULL ^ (a << 40) ^ (b << 20) ^ c) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
  const std::string& pick(const std::vector<std::string>& from) {
    return from[static_cast<std::size_t>(below(static_cast<int>(from.size())))];
  }

 private:
  std::uint64_t state_;
};

std::string words(Random& random, const std::vector<std::string>& from, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += random.pick(from);
  return text;
}

// Titles of the first books of the first listing page when hostile titles are on.
std::optional<std::string> hostileTitle(int bookId) {
  switch (bookId) {
    case 2:
      return "斗破/苍穹";
    case 3:
      return "风云:再起?";
    case 4:
      return "..";
    case 5:
      return "魔<法>|师*\"传\"";
    case 6:
      return std::string("控制\x01字符\x1F书");
    default:
      return std::nullopt;
  }
}

constexpr int kRepeatedTitleBook = 1;
constexpr int kRepeatedTitleChapter = 3;  // repeats the title of chapter 2

void appendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 15]);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

std::string htmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::uint32_t crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::uint32_t adler32(std::string_view bytes) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (char c : bytes) {
    a = (a + static_cast<unsigned char>(c)) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void appendBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void appendChunk(std::string& png, std::string_view type, std::string_view data) {
  appendBigEndian(png, static_cast<std::uint32_t>(data.size()));
  std::string typed = std::string(type) + std::string(data);
  png += typed;
  appendBigEndian(png, crc32(typed));
}

}  // namespace

NovelSiteContent::NovelSiteContent(ContentOptions options) : options_(options) {}

std::string NovelSiteContent::categoryPath(int sortId) {
  if (sortId < 1 || sortId > kCategoryCount) return {};
  return "/" + std::string(kCategorySlugs[static_cast<std::size_t>(sortId - 1)]) + "/";
}

int NovelSiteContent::sortIdOfCategoryPath(const std::string& path) {
  for (int sortId = 1; sortId <= kCategoryCount; ++sortId) {
    if (categoryPath(sortId) == path) return sortId;
  }
  return 0;
}

int NovelSiteContent::bookCount() const {
  return kCategoryCount * options_.pagesPerCategory * options_.booksPerPage;
}

std::string NovelSiteContent::bookPath(int bookId) {
  return "/book/" + std::to_string(bookId) + "/";
}

std::string NovelSiteContent::chapterPath(int bookId, int chapter) {
  return bookPath(bookId) + std::to_string(chapter) + ".html";
}

std::optional<ListingEntry> NovelSiteContent::book(int bookId) const {
  if (bookId < 1 || bookId > bookCount()) return std::nullopt;
  Random random(options_.seed, 1, static_cast<std::uint64_t>(bookId));
  ListingEntry entry;
  entry.bookId = bookId;
  entry.urlList = bookPath(bookId);
  entry.title = words(random, titleCharacters(), 2 + random.below(3));
  if (options_.hostileTitles) {
    if (std::optional<std::string> hostile = hostileTitle(bookId)) entry.title = *hostile;
  }
  entry.author = random.pick(surnames()) + words(random, nameCharacters(), 1 + random.below(2));
  entry.intro = "《" + entry.title + "》：" + words(random, textCharacters(), 20 + random.below(20)) + "。";
  return entry;
}

std::vector<ListingEntry> NovelSiteContent::listing(int sortId, int page) const {
  std::vector<ListingEntry> entries;
  if (sortId < 1 || sortId > kCategoryCount || page < 1 || page > options_.pagesPerCategory) return entries;
  int first = ((sortId - 1) * options_.pagesPerCategory + (page - 1)) * options_.booksPerPage + 1;
  for (int i = 0; i < options_.booksPerPage; ++i) entries.push_back(*book(first + i));
  return entries;
}

std::string NovelSiteContent::chapterTitle(int bookId, int chapter) const {
  if (options_.hostileTitles && bookId == kRepeatedTitleBook && chapter == kRepeatedTitleChapter) {
    return chapterTitle(bookId, chapter - 1);
  }
  Random random(options_.seed, 2, static_cast<std::uint64_t>(bookId), static_cast<std::uint64_t>(chapter));
  return "第" + std::to_string(chapter) + "章 " + words(random, titleCharacters(), 2 + random.below(4));
}

std::vector<std::string> NovelSiteContent::chapterParagraphs(int bookId, int chapter) const {
  std::vector<std::string> paragraphs;
  for (int k = 1; k <= options_.paragraphsPerChapter; ++k) {
    Random random(options_.seed, 3,
                  static_cast<std::uint64_t>(bookId) << 16 | static_cast<std::uint64_t>(chapter),
                  static_cast<std::uint64_t>(k));
    std::string paragraph = "　　";
    for (int i = 0; i < options_.paragraphChars; ++i) {
      paragraph += random.pick(textCharacters());
      if (i % 13 == 12 && i + 1 < options_.paragraphChars) paragraph += "，";
    }
    paragraph += "。";
    paragraphs.push_back(std::move(paragraph));
  }
  return paragraphs;
}

std::string NovelSiteContent::categoryPage(int sortId) const {
  std::string name = kCategoryNames[static_cast<std::size_t>(sortId - 1)];
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + name +
         "小说</title></head>\n<body><h1>" + name + "</h1><div id=\"list\" data-sortid=\"" +
         std::to_string(sortId) + "\"></div></body></html>\n";
}

std::string NovelSiteContent::listingJson(int sortId, int page) const {
  std::string json = "[";
  bool first = true;
  for (const ListingEntry& entry : listing(sortId, page)) {
    if (!first) json += ",";
    first = false;
    json += "{\"articleid\":" + std::to_string(entry.bookId) + ",\"url_list\":";
    appendJsonString(json, entry.urlList);
    json += ",\"author\":";
    appendJsonString(json, entry.author);
    json += ",\"articlename\":";
    appendJsonString(json, entry.title);
    json += ",\"intro\":";
    appendJsonString(json, entry.intro);
    json += ",\"lastchapter\":" + std::to_string(options_.chaptersPerBook) + "}";
  }
  json += "]";
  return json;
}

std::string NovelSiteContent::indexPage(int bookId) const {
  std::optional<ListingEntry> entry = book(bookId);
  if (!entry) return {};
  int chapters = options_.chaptersPerBook;
  std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>" + htmlEscape(entry->title) +
      "</title>\n<meta property=\"og:novel:author\" content=\"" + htmlEscape(entry->author) +
      "\"/>\n<meta property=\"og:novel:latest_chapter_name\" content=\"" +
      htmlEscape(chapterTitle(bookId, chapters)) + "\"/>\n</head>\n<body>\n<div id=\"list\"><dl>\n";
  for (int chapter = 1; chapter <= chapters; ++chapter) {
    page += "<dd><a href =\"" + chapterPath(bookId, chapter) + "\">" +
            htmlEscape(chapterTitle(bookId, chapter)) + "</a></dd>\n";
  }
  page += "</dl></div>\n</body></html>\n";
  return page;
}

std::string NovelSiteContent::chapterPage(int bookId, int chapter) const {
  if (!book(bookId) || chapter < 1 || chapter > options_.chaptersPerBook) return {};
  std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
                     htmlEscape(chapterTitle(bookId, chapter)) +
                     "</title></head>\n<body>\n<div class=\"bookname\">" + "<span class=\"title\">" +
                     chapterTitle(bookId, chapter) + "</span></div>\n<div id=\"content\">\n";
  for (const std::string& paragraph : chapterParagraphs(bookId, chapter)) {
    page += "<br /><br />" + paragraph + "<br /><br />\n";
  }
  page += "</div>\n</body></html>\n";
  return page;
}

std::string NovelSiteContent::homePage() {
  std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>小说演示站</title></head>\n<body><ul>\n";
  for (int sortId = 1; sortId <= kCategoryCount; ++sortId) {
    page += "<li><a href=\"" + categoryPath(sortId) + "\">" +
            kCategoryNames[static_cast<std::size_t>(sortId - 1)] + "</a></li>\n";
  }
  page += "</ul></body></html>\n";
  return page;
}

std::string NovelSiteContent::noticeJson(const NoticeOptions& notice, const std::string& origin) {
  if (!notice.rawBody.empty()) return notice.rawBody;
  // Appends `"name":value` (after a comma unless it is the first member), unless the value is kAbsent.
  auto member = [](std::string& json, bool& first, std::string_view name, const std::string& value) {
    if (value == kAbsent) return;
    if (!first) json.push_back(',');
    first = false;
    appendJsonString(json, name);
    json.push_back(':');
    if (value == "json-true") {
      json += "true";
    } else if (value == "json-false") {
      json += "false";
    } else {
      appendJsonString(json, value);
    }
  };
  auto orDefault = [](const std::string& value, std::string fallback) {
    return value.empty() ? fallback : value;
  };
  std::string attributes = "{";
  bool first = true;
  member(attributes, first, "information", notice.information);
  member(attributes, first, "Check-for-updates", notice.updateText);
  member(attributes, first, "download_link", orDefault(notice.downloadLink, origin + "/download/"));
  member(attributes, first, "Picture_output 1", orDefault(notice.pictureUrl1, origin + kPicturePath1));
  member(attributes, first, "Picture_output 2", orDefault(notice.pictureUrl2, origin + kPicturePath2));
  attributes += "}";

  std::string json = "{\"date\":{";
  first = true;
  member(json, first, "version_number", notice.version);
  member(json, first, "Picture_on", notice.pictureOn);
  member(json, first, "debug", notice.debug);
  if (!first) json.push_back(',');
  json += "\"Attributes\":" + attributes + "}}";
  return json;
}

std::string makePng(int size, std::uint32_t rgb) {
  std::string raw;  // filter byte 0 and RGB pixels per row
  for (int y = 0; y < size; ++y) {
    raw.push_back('\0');
    for (int x = 0; x < size; ++x) {
      bool border = x < 2 || y < 2 || x >= size - 2 || y >= size - 2;
      std::uint32_t colour = border ? 0x404040u : rgb;
      raw.push_back(static_cast<char>((colour >> 16) & 0xFF));
      raw.push_back(static_cast<char>((colour >> 8) & 0xFF));
      raw.push_back(static_cast<char>(colour & 0xFF));
    }
  }
  std::string zlib = "\x78\x01";  // deflate, stored blocks
  for (std::size_t at = 0; at < raw.size() || at == 0;) {
    std::size_t length = std::min<std::size_t>(65535, raw.size() - at);
    bool last = at + length >= raw.size();
    zlib.push_back(last ? '\x01' : '\x00');
    zlib.push_back(static_cast<char>(length & 0xFF));
    zlib.push_back(static_cast<char>(length >> 8));
    zlib.push_back(static_cast<char>(~length & 0xFF));
    zlib.push_back(static_cast<char>((~length >> 8) & 0xFF));
    zlib.append(raw, at, length);
    at += length;
    if (last) break;
  }
  appendBigEndian(zlib, adler32(raw));
  std::string header;
  appendBigEndian(header, static_cast<std::uint32_t>(size));
  appendBigEndian(header, static_cast<std::uint32_t>(size));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  std::string png = "\x89PNG\r\n\x1A\n";
  appendChunk(png, "IHDR", header);
  appendChunk(png, "IDAT", zlib);
  appendChunk(png, "IEND", "");
  return png;
}

}  // namespace nc::demo
