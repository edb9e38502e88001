#include "web/header_operations.h"

#include <algorithm>
#include <unordered_set>

namespace nc {
namespace {

constexpr char kFullWidthSpaceByte = '\xA1';

bool isLeadByte(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The first boundary at or after `from` when walking character by character from `start`, which
// must itself be a character boundary.
std::size_t boundaryAtOrAfter(std::string_view text, std::size_t start, std::size_t from) {
  std::size_t i = start;
  while (i < from && i < text.size()) {
    i += (isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return i;
}

// Searches from `start`, which must be a character boundary; a match only begins on a boundary.
template <typename Equal>
std::size_t findFromBoundary(std::string_view text, std::string_view needle, std::size_t start, Equal equal) {
  if (needle.size() > text.size()) return kNotFound;
  std::size_t last = text.size() - needle.size();
  for (std::size_t i = start; i <= last;) {
    bool match = true;
    for (std::size_t k = 0; k < needle.size(); ++k) {
      if (!equal(text[i + k], needle[k])) {
        match = false;
        break;
      }
    }
    if (match) return i;
    if (i == text.size()) break;
    i += (isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return kNotFound;
}

bool sameByte(char a, char b) {
  return a == b;
}
bool sameLetter(char a, char b) {
  return lowerAscii(a) == lowerAscii(b);
}

std::size_t findLast(std::string_view text, std::string_view marker) {
  std::size_t found = kNotFound;
  std::size_t at = findFromBoundary(text, marker, 0, sameByte);
  while (at != kNotFound) {
    found = at;
    if (at == text.size()) break;  // an empty marker matches at the very end last
    at = findFromBoundary(text, marker, boundaryAtOrAfter(text, at, at + 1), sameByte);
  }
  return found;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

std::size_t findText(std::string_view text, std::string_view needle, std::size_t from) {
  if (from > text.size()) return kNotFound;
  return findFromBoundary(text, needle, boundaryAtOrAfter(text, 0, from), sameByte);
}

std::size_t findTextIgnoreCase(std::string_view text, std::string_view needle, std::size_t from) {
  if (from > text.size()) return kNotFound;
  return findFromBoundary(text, needle, boundaryAtOrAfter(text, 0, from), sameLetter);
}

std::vector<Text> splitText(std::string_view text, std::string_view separator) {
  std::vector<Text> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  // Each search starts where the last separator ended, a boundary, so the walk is one pass.
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t at = findFromBoundary(text, separator, start, sameByte);
    if (at == kNotFound) {
      pieces.emplace_back(text.substr(start));
      break;
    }
    pieces.emplace_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  return pieces;
}

Text joinText(const std::vector<Text>& pieces, std::string_view separator) {
  Text joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += separator;
    joined += pieces[i];
  }
  return joined;
}

Text trimText(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end) {
    if (text[begin] == ' ') {
      ++begin;
    } else if (begin + 1 < end && text[begin] == kFullWidthSpaceByte &&
               text[begin + 1] == kFullWidthSpaceByte) {
      begin += 2;
    } else {
      break;
    }
  }
  while (end > begin) {
    if (text[end - 1] == ' ') {
      --end;
    } else if (end - begin >= 2 && text[end - 1] == kFullWidthSpaceByte &&
               text[end - 2] == kFullWidthSpaceByte) {
      end -= 2;
    } else {
      break;
    }
  }
  return Text(text.substr(begin, end - begin));
}

Text capitaliseFirst(std::string_view text) {
  Text result(text);
  if (!result.empty() && result[0] >= 'a' && result[0] <= 'z')
    result[0] = static_cast<char>(result[0] - 'a' + 'A');
  return result;
}

Text normaliseHeaders(std::string_view headerBlock) {
  std::vector<Text> kept;
  for (const Text& line : splitText(headerBlock, kCrlf)) {
    std::size_t colon = findText(line, ":");
    if (colon == kNotFound) continue;
    std::vector<Text> nameParts = splitText(std::string_view(line).substr(0, colon), "-");
    for (Text& part : nameParts) part = capitaliseFirst(part);
    Text name = joinText(nameParts, "-");
    kept.push_back(name + line.substr(std::min(name.size(), line.size())));
  }
  return joinText(kept, kCrlf);
}

Text textAfterLast(std::string_view text, std::string_view marker) {
  std::size_t at = findLast(text, marker);
  if (at == kNotFound) return {};
  return Text(text.substr(at + marker.size()));
}

Text headerValue(std::string_view headerBlock, std::string_view name) {
  for (const Text& line : splitText(headerBlock, kCrlf)) {
    if (startsWith(line, name)) return textAfterLast(line, Text(name) + ": ");
  }
  return {};
}

Text extractSetCookies(const std::vector<Text>& lines) {
  static constexpr std::string_view kSetCookie = "set-cookie:";
  Text result;
  for (const Text& line : lines) {
    if (findTextIgnoreCase(line, kSetCookie) != 0) continue;
    std::size_t semicolon = findText(line, ";", kSetCookie.size());
    if (semicolon == kNotFound) continue;
    Text cookie = trimText(std::string_view(line).substr(kSetCookie.size(), semicolon - kSetCookie.size()));
    if (!result.empty()) result += "; ";
    result += cookie;
  }
  return result;
}

Text cookieName(std::string_view item) {
  std::size_t equals = findText(item, "=");
  return trimText(equals == kNotFound ? item : item.substr(0, equals));
}

bool hasCookieNamed(const std::vector<Text>& items, std::string_view name) {
  for (const Text& item : items) {
    if (cookieName(item) == name) return true;
  }
  return false;
}

int indexOfItem(const std::vector<Text>& items, std::string_view text) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] == text) return static_cast<int>(i) + 1;
  }
  return -1;
}

Text removeDuplicateItems(std::string_view text, std::string_view separator) {
  std::unordered_set<Text> kept;  // answers indexOfItem over the kept pieces in constant time
  Text result;
  for (const Text& piece : splitText(text, separator)) {
    if (!kept.insert(piece).second) continue;
    result += piece;
    result += separator;
  }
  result.resize(result.size() >= separator.size() ? result.size() - separator.size() : 0);
  return result;
}

Text mergeCookieText(Text& oldCookies, Text& newCookies) {
  static constexpr std::string_view kItemSeparator = "; ";
  static constexpr std::string_view kDeletedSuffix = "=deleted";
  for (Text* cookies : {&oldCookies, &newCookies}) {
    *cookies = trimText(*cookies);
    if (!cookies->empty() && cookies->back() == ';') *cookies += ' ';
  }
  std::vector<Text> working = splitText(newCookies, kItemSeparator);
  // The names in the working list, kept beside it so that hasCookieNamed is one look-up.
  std::unordered_set<Text> workingNames;
  for (const Text& item : working) workingNames.insert(cookieName(item));
  for (const Text& item : splitText(oldCookies, kItemSeparator)) {
    if (workingNames.insert(cookieName(item)).second) working.push_back(item);
  }
  Text result;
  for (const Text& item : working) {
    if (endsWith(item, kDeletedSuffix)) continue;
    result += item;
    result += kItemSeparator;
  }
  result.resize(result.size() >= kItemSeparator.size() ? result.size() - kItemSeparator.size() : 0);
  result = removeDuplicateItems(result, kItemSeparator);
  oldCookies = result;
  return result;
}

}  // namespace nc
