// Feeds arbitrary header blocks, cookie strings and pages to the header, cookie and charset
// operations. Pieces of the input are separated by zero bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "web/charset_detection.h"
#include "web/com_web_request.h"
#include "web/header_operations.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at = input.find('\0'); parts.size() < 3 && at != std::string::npos; at = input.find('\0', start)) {
    parts.push_back(input.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(input.substr(start));
  while (parts.size() < 4) parts.emplace_back();

  const std::string& block = parts[0];
  nc::Text normalised = nc::normaliseHeaders(block);
  if (normalised.size() > block.size()) std::abort();
  nc::headerValue(block, parts[1]);
  nc::textAfterLast(block, parts[1]);
  std::vector<nc::Text> lines = nc::splitText(block, nc::kCrlf);
  nc::extractSetCookies(lines);
  nc::Text oldCookies = parts[2];
  nc::Text newCookies = parts[3];
  nc::Text merged = nc::mergeCookieText(oldCookies, newCookies);
  if (merged != oldCookies) std::abort();
  nc::removeDuplicateItems(parts[2], "; ");
  nc::headerLineName(block);
  nc::headerLineValue(block);
  nc::Text encoded = nc::base64Encode(input);
  if (encoded.size() != (input.size() + 2) / 3 * 4) std::abort();
  nc::decodeDeclaredCharset(nc::textUpToZero(input), input);
  return 0;
}
