// Decoding of UTF-8 one code point at a time, shared by the code-page conversions.
#pragma once

#include <string_view>

namespace nc::utf8 {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes UTF-8, handing each code point to `sink`; each maximal invalid subsequence gives one
// replacement character.
template <typename Sink>
inline void decode(std::string_view bytes, Sink sink) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      sink(lead);
      ++i;
      continue;
    }
    int length = 0;
    char32_t codePoint = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      codePoint = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      codePoint = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      sink(kReplacementCharacter);
      ++i;
      continue;
    }
    std::size_t consumed = 1;
    bool complete = true;
    for (int k = 1; k < length; ++k) {
      if (i + consumed >= bytes.size()) {
        complete = false;
        break;
      }
      auto next = static_cast<unsigned char>(bytes[i + consumed]);
      if (next < low || next > high) {
        complete = false;
        break;
      }
      low = 0x80;
      high = 0xBF;
      codePoint = (codePoint << 6) | (next & 0x3F);
      ++consumed;
    }
    sink(complete ? codePoint : kReplacementCharacter);
    i += consumed;
  }
}

}  // namespace nc::utf8
