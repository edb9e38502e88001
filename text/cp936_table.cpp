#include "text/cp936_table.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "text/utf8_decoder.h"

namespace nc::cp936 {
namespace {

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFE;
constexpr unsigned char kEuroByte = 0x80;
constexpr char16_t kEuroUnit = 0x20AC;

struct Tables {
  // (lead - 0x81) * 256 + trail -> unit; 0 = no character.
  std::array<char16_t, (kLastLead - kFirstLead + 1) * 256> decoded{};
  // unit -> bytes: below 0x100 one byte, otherwise lead * 256 + trail; 0 = none.
  std::array<std::uint16_t, 0x10000> encoded{};
};

std::unique_ptr<Tables> buildTables() {
  auto fill = std::make_unique<Tables>();
  {
    for (unsigned byte = 1; byte < 0x80; ++byte) fill->encoded[byte] = static_cast<std::uint16_t>(byte);
    fill->encoded[kEuroUnit] = kEuroByte;
    iconv_t decoder = iconv_open("UTF-16LE", "CP936");
    if (decoder != reinterpret_cast<iconv_t>(-1)) {
      for (unsigned lead = kFirstLead; lead <= kLastLead; ++lead) {
        for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
          if (trail == 0x7F) continue;
          char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
          char out[8];
          char* inPointer = in;
          char* outPointer = out;
          std::size_t inLeft = 2;
          std::size_t outLeft = sizeof out;
          iconv(decoder, nullptr, nullptr, nullptr, nullptr);
          if (iconv(decoder, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<std::size_t>(-1) ||
              outPointer - out != 2) {
            continue;
          }
          auto unit = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                            (static_cast<unsigned char>(out[1]) << 8));
          fill->decoded[(lead - kFirstLead) * 256 + trail] = unit;
          if (fill->encoded[unit] == 0) fill->encoded[unit] = static_cast<std::uint16_t>(lead * 256 + trail);
        }
      }
      iconv_close(decoder);
    }
  }
  return fill;
}

const Tables& tables() {
  static const std::unique_ptr<Tables> built = buildTables();  // thread-safe, built once
  return *built;
}

}  // namespace

char16_t decodeNext(std::string_view text, std::size_t& at) {
  auto byte = static_cast<unsigned char>(text[at]);
  if (byte < 0x80) {
    ++at;
    return byte;
  }
  if (byte == kEuroByte) {
    ++at;
    return kEuroUnit;
  }
  if (byte >= kFirstLead && byte <= kLastLead && at + 1 < text.size()) {
    char16_t unit = tables().decoded[(byte - kFirstLead) * 256 + static_cast<unsigned char>(text[at + 1])];
    if (unit != 0) {
      at += 2;
      return unit;
    }
  }
  ++at;
  return kReplacementUnit;
}

void appendEncoded(std::string& out, char16_t unit) {
  if (unit < 0x80) {
    out.push_back(static_cast<char>(unit));
    return;
  }
  std::uint16_t bytes = tables().encoded[unit];
  if (bytes == 0) {
    out.push_back('?');
  } else if (bytes < 0x100) {
    out.push_back(static_cast<char>(bytes));
  } else {
    out.push_back(static_cast<char>(bytes >> 8));
    out.push_back(static_cast<char>(bytes & 0xFF));
  }
}

std::string toUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t run = at;
    while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80 && text[run] != 0) ++run;
    out.append(text.data() + at, run - at);
    if (run == text.size() || text[run] == 0) break;
    at = run;
    char16_t unit = decodeNext(text, at);
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = kReplacementUnit;
    if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return out;
}

std::string utf8ToCp936(std::string_view utf8) {
  const Tables& codes = tables();
  std::string out;
  out.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    // Runs of ASCII are copied whole.
    std::size_t run = at;
    while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80 && utf8[run] != 0) ++run;
    out.append(utf8.data() + at, run - at);
    if (run == utf8.size()) break;
    if (utf8[run] == 0) {
      at = run + 1;
      continue;
    }
    // Then everything up to the next ASCII byte, one code point at a time.
    std::size_t end = run;
    while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) >= 0x80) ++end;
    utf8::decode(utf8.substr(run, end - run), [&](char32_t codePoint) {
      std::uint16_t bytes = codePoint < 0x10000 ? codes.encoded[codePoint] : 0;
      if (bytes == 0) {
        out.push_back('?');
      } else if (bytes < 0x100) {
        out.push_back(static_cast<char>(bytes));
      } else {
        char pair[2] = {static_cast<char>(bytes >> 8), static_cast<char>(bytes & 0xFF)};
        out.append(pair, 2);
      }
    });
    at = end;
  }
  return out;
}

}  // namespace nc::cp936
