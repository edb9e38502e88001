// Operations on HTTP header blocks and cookie strings, shared by both request routines.
//
// Header blocks and cookie strings are code-page-936 Text. Searches step over double-byte
// characters as units (a match never starts on a trail byte); trimming removes blanks and the
// full-width space A1 A1 at both ends. Splitting keeps empty pieces between separators and
// before a leading separator, gives no empty last piece for a trailing separator, and gives no
// pieces for the empty text. All functions are pure and safe from any thread.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace nc {

inline constexpr std::string_view kCrlf = "\r\n";
inline constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Byte offset (0-based) of the first occurrence of `needle` at or after `from` that starts on a
// character boundary; kNotFound when there is none.
std::size_t findText(std::string_view text, std::string_view needle, std::size_t from = 0);

// The same, disregarding the case of ASCII letters.
std::size_t findTextIgnoreCase(std::string_view text, std::string_view needle, std::size_t from = 0);

std::vector<Text> splitText(std::string_view text, std::string_view separator);
Text joinText(const std::vector<Text>& pieces, std::string_view separator);
Text trimText(std::string_view text);

// Upper-cases the first letter of every "-"-separated piece of each line's name; drops lines
// without a colon; the result has no CRLF after its last line.
Text normaliseHeaders(std::string_view headerBlock);
Text capitaliseFirst(std::string_view text);
// The value after "name: " on the first line that starts with `name`; empty when absent.
Text headerValue(std::string_view headerBlock, std::string_view name);
Text textAfterLast(std::string_view text, std::string_view marker);
// The name=value parts of the Set-Cookie lines, joined by "; ".
Text extractSetCookies(const std::vector<Text>& lines);
// Merges `newCookies` over `oldCookies` (both trimmed in place); stores the result into
// `oldCookies` and returns it. Items whose value is "deleted" drop their cookie.
Text mergeCookieText(Text& oldCookies, Text& newCookies);
Text cookieName(std::string_view item);
bool hasCookieNamed(const std::vector<Text>& items, std::string_view name);
Text removeDuplicateItems(std::string_view text, std::string_view separator);
// 1-based index of the first item equal to `text`, or -1.
int indexOfItem(const std::vector<Text>& items, std::string_view text);

}  // namespace nc
