#include "download/safe_file_name.h"

#include <string_view>

#include "text/code_page.h"

namespace nc {
namespace {

constexpr char kReplacement = '_';
constexpr std::string_view kForbidden = "/\\:*?\"<>|";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kFirstLeadByte = 0x81;
constexpr unsigned char kLastByte = 0xFE;
constexpr unsigned char kFirstTrailByte = 0x40;

bool isLeadByte(unsigned char byte) {
  return byte >= kFirstLeadByte && byte <= kLastByte;
}
bool isTrailByte(unsigned char byte) {
  return byte >= kFirstTrailByte && byte <= kLastByte && byte != kDelete;
}

// Replaces forbidden and control characters, keeping double-byte characters whole (their
// second byte may look like "\" or "|").
Text cleanCodePage936(const Text& title) {
  Text clean;
  clean.reserve(title.size());
  for (std::size_t i = 0; i < title.size(); ++i) {
    const auto byte = static_cast<unsigned char>(title[i]);
    if (byte < kDelete) {
      const bool bad = byte < kFirstPrintable || kForbidden.find(static_cast<char>(byte)) != kForbidden.npos;
      clean.push_back(bad ? kReplacement : static_cast<char>(byte));
    } else if (isLeadByte(byte) && i + 1 < title.size() &&
               isTrailByte(static_cast<unsigned char>(title[i + 1]))) {
      clean.push_back(title[i]);
      clean.push_back(title[i + 1]);
      ++i;
    } else {
      clean.push_back(kReplacement);  // DEL, or a byte that starts no character
    }
  }
  return clean;
}

// Cuts UTF-8 text to at most maxBytes without splitting a character.
std::string cutUtf8(std::string text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

}  // namespace

std::string safeFileName(const Text& title, const std::string& fallback, std::size_t maxBytes) {
  std::string name = cutUtf8(textToUtf8(cleanCodePage936(title)), maxBytes);
  // Conversion may yield characters outside code page 936's printable range as "?".
  for (char& unit : name) {
    if (kForbidden.find(unit) != kForbidden.npos) unit = kReplacement;
  }
  if (name.empty() || name == "." || name == "..") return fallback;
  return name;
}

}  // namespace nc
