#include "download/text_between.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "catalogue/user_texts.h"
#include "text/code_page.h"

namespace nc {
namespace {

constexpr char kQuote = '"';

Text replaceQuoteMarker(std::string_view marker) {
  static const Text quoteMarker = utf8ToText(texts::kQuoteMarker);
  Text result(marker);
  for (std::size_t at = result.find(quoteMarker); at != Text::npos; at = result.find(quoteMarker, at + 1)) {
    result.replace(at, quoteMarker.size(), 1, kQuote);
  }
  return result;
}

bool sameAsciiCaseless(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

std::size_t findFrom(std::string_view text, std::string_view needle, std::size_t from, bool ignoreCase) {
  if (from > text.size()) return std::string_view::npos;
  if (!ignoreCase) return text.find(needle, from);
  const auto found =
      std::search(text.begin() + from, text.end(), needle.begin(), needle.end(), sameAsciiCaseless);
  return found == text.end() ? std::string_view::npos : static_cast<std::size_t>(found - text.begin());
}

}  // namespace

Text textBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                 std::size_t startPosition, bool ignoreCase) {
  const Text start = replaceQuoteMarker(startMarker);
  const Text end = replaceQuoteMarker(endMarker);
  if (start.empty() || end.empty()) return {};
  const std::size_t from = startPosition == 0 ? 0 : startPosition - 1;
  const std::size_t startAt = findFrom(text, start, from, ignoreCase);
  if (startAt == std::string_view::npos) return {};
  const std::size_t contentAt = startAt + start.size();
  const std::size_t endAt = findFrom(text, end, contentAt, ignoreCase);
  if (endAt == std::string_view::npos) return {};
  return Text(text.substr(contentAt, endAt - contentAt));
}

}  // namespace nc
