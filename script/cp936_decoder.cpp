#include "script/cp936_decoder.h"

#include <array>
#include <mutex>

#include "text/code_page.h"

namespace nc {
namespace {

constexpr unsigned kFirstHighByte = 0x80;
constexpr std::size_t kMaxUtf8Char = 4;

// UTF-8 bytes of one character; length 0 marks "not a character here".
struct Utf8Char {
  std::array<char, kMaxUtf8Char> bytes{};
  unsigned char length = 0;
};

struct Table {
  std::array<Utf8Char, 256> single;         // a high byte on its own (or before a bad trail)
  std::array<Utf8Char, 128 * 256> doubled;  // (lead - 0x80) * 256 + trail
};

// Counts the UTF-8 characters in `utf8`.
std::size_t characterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

Utf8Char charOf(std::string_view utf8) {
  Utf8Char result;
  if (utf8.empty() || utf8.size() > kMaxUtf8Char) return result;
  for (std::size_t i = 0; i < utf8.size(); ++i) result.bytes[i] = utf8[i];
  result.length = static_cast<unsigned char>(utf8.size());
  return result;
}

const Table& table() {
  static Table* built = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    auto* fill = new Table();
    const std::string replacement = "\xEF\xBF\xBD";
    for (unsigned lead = kFirstHighByte; lead < 256; ++lead) {
      fill->single[lead] = charOf(textToUtf8(std::string(1, static_cast<char>(lead))));
      for (unsigned trail = 1; trail < 256; ++trail) {
        std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
        std::string utf8 = textToUtf8(pair);
        if (characterCount(utf8) == 1 && utf8 != replacement)
          fill->doubled[(lead - kFirstHighByte) * 256 + trail] = charOf(utf8);
      }
    }
    built = fill;  // lives for the whole process
  });
  return *built;
}

}  // namespace

void cp936Advance(std::string_view text, Cp936Cursor& cursor, std::size_t utf8Target) {
  const Table& codes = table();
  const std::size_t size = text.size();
  std::size_t at = cursor.textOffset;
  std::size_t utf8 = cursor.utf8Offset;
  while (utf8 < utf8Target && at < size) {
    auto byte = static_cast<unsigned char>(text[at]);
    if (byte == 0) break;
    if (byte < kFirstHighByte) {
      ++at;
      ++utf8;
      continue;
    }
    if (at + 1 < size) {
      const Utf8Char& pair =
          codes.doubled[(byte - kFirstHighByte) * 256 + static_cast<unsigned char>(text[at + 1])];
      if (pair.length != 0) {
        at += 2;
        utf8 += pair.length;
        continue;
      }
    }
    at += 1;
    utf8 += codes.single[byte].length;
  }
  cursor = {at, utf8};
}

std::string cp936ToUtf8(std::string_view text) {
  const Table& codes = table();
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  const std::size_t size = text.size();
  for (std::size_t at = 0; at < size;) {
    auto byte = static_cast<unsigned char>(text[at]);
    if (byte == 0) break;
    if (byte < kFirstHighByte) {
      std::size_t end = at + 1;
      while (end < size && static_cast<unsigned char>(text[end]) < kFirstHighByte && text[end] != 0) ++end;
      out.append(text.data() + at, end - at);
      at = end;
      continue;
    }
    const Utf8Char* found = nullptr;
    if (at + 1 < size) {
      const Utf8Char& pair =
          codes.doubled[(byte - kFirstHighByte) * 256 + static_cast<unsigned char>(text[at + 1])];
      if (pair.length != 0) found = &pair;
    }
    if (found != nullptr) {
      at += 2;
    } else {
      found = &codes.single[byte];
      at += 1;
    }
    out.append(found->bytes.data(), found->length);
  }
  return out;
}

}  // namespace nc
