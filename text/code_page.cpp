#include "text/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <string>

#include "text/cp936_table.h"
#include "text/utf8_decoder.h"

namespace nc {
namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;
constexpr char kDefaultCharacter = '?';
constexpr std::size_t kChunkBytes = 4096;

// One iconv descriptor per thread and direction, opened on first use.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(handle_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }
  void reset() const { iconv(handle_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t handle_;
};

std::string_view upToZeroByte(std::string_view bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

// The wide units before the first zero unit; an odd trailing byte is ignored.
std::u16string unitsUpToZero(std::string_view wide) {
  std::u16string units;
  units.reserve(wide.size() / 2);
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    auto unit = static_cast<char16_t>(static_cast<unsigned char>(wide[i]) |
                                      (static_cast<unsigned char>(wide[i + 1]) << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

ByteSet unitsToTerminatedWide(const std::u16string& units) {
  if (units.empty()) return {};
  ByteSet wide;
  wide.reserve(units.size() * 2 + 2);
  for (char16_t unit : units) {
    wide.push_back(static_cast<char>(unit & 0xFF));
    wide.push_back(static_cast<char>(unit >> 8));
  }
  wide.append(2, '\0');
  return wide;
}

void appendCodePoint(std::u16string& units, char32_t codePoint) {
  if (codePoint < 0x10000) {
    units.push_back(static_cast<char16_t>(codePoint));
  } else {
    codePoint -= 0x10000;
    units.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
  }
}

std::u16string utf8ToUnits(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size());
  utf8::decode(bytes, [&units](char32_t codePoint) { appendCodePoint(units, codePoint); });
  return units;
}

// UTF-8 straight to code page 936; zero bytes are skipped (a Text holds none).
Text utf8BytesToText(std::string_view bytes) {
  return cp936::utf8ToCp936(bytes);
}

void appendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// Encodes UTF-16 units as UTF-8; a lone surrogate gives a replacement character.
std::string unitsToUtf8(const std::u16string& units) {
  std::string out;
  out.reserve(units.size() * 3);
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      appendUtf8(out, kReplacementCharacter);
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}

// Runs `handle` over `input`; `onInvalid` is told how many input bytes an invalid
// sequence at the current position spans and appends its substitute to the output.
template <typename OnInvalid>
std::string convertWithIconv(const IconvHandle& handle, std::string_view input, OnInvalid onInvalid) {
  std::string output;
  if (!handle.valid()) return output;
  handle.reset();
  output.reserve(input.size() * 2);
  char buffer[kChunkBytes];
  auto* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  while (inLeft > 0) {
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t result = iconv(handle.get(), &in, &inLeft, &out, &outLeft);
    int error = errno;
    output.append(buffer, static_cast<std::size_t>(out - buffer));
    if (result != static_cast<std::size_t>(-1)) break;
    if (error == E2BIG) continue;
    // EILSEQ or EINVAL: an invalid or incomplete sequence at `in`.
    std::size_t skipped = onInvalid(std::string_view(in, inLeft), output);
    in += skipped;
    inLeft -= skipped;
    handle.reset();
  }
  return output;
}

// Decoding error handler: one invalid byte becomes one replacement character.
std::size_t skipByteAsReplacement(std::string_view, std::string& out) {
  out.push_back(static_cast<char>(kReplacementCharacter & 0xFF));
  out.push_back(static_cast<char>(kReplacementCharacter >> 8));
  return 1;
}

std::u16string cp936ToUnits(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) units.push_back(cp936::decodeNext(bytes, at));
  return units;
}

std::string unitsToCp936(const std::u16string& units) {
  std::string out;
  out.reserve(units.size() * 2);
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      // A character outside the basic plane (a pair) or a lone surrogate: one "?".
      if (unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) ++i;
      out.push_back(kDefaultCharacter);
      continue;
    }
    cp936::appendEncoded(out, unit);
  }
  return out;
}

std::u16string multiByteToUnits(std::string_view bytes, int codePage) {
  std::string_view source = upToZeroByte(bytes);
  return codePage == kCodePageUtf8 ? utf8ToUnits(source) : cp936ToUnits(source);
}

}  // namespace

ByteSet multiByteToWide(std::string_view bytes, int codePage) {
  return unitsToTerminatedWide(multiByteToUnits(bytes, codePage));
}

ByteSet textToWide(std::string_view text) {
  return multiByteToWide(text, kCodePage936);
}

ByteSet wideToMultiByte(std::string_view wide, int codePage) {
  std::u16string units = unitsUpToZero(wide);
  if (units.empty()) return {};
  return codePage == kCodePageUtf8 ? unitsToUtf8(units) : unitsToCp936(units);
}

Text wideToText(std::string_view wide) {
  return wideToMultiByte(wide, kCodePage936);
}

Text utf8ToText(std::string_view utf8) {
  return utf8BytesToText(upToZeroByte(utf8));
}

std::string textToUtf8(std::string_view text) {
  return cp936::toUtf8(text);
}

std::optional<Text> charsetToText(std::string_view bytes, std::string_view charset) {
  std::string name(charset);
  std::string lower;
  for (char c : name) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (lower == "utf-8" || lower == "utf8") return utf8BytesToText(bytes);
  if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;  // no iconv suffixes
  IconvHandle decoder("UTF-16LE", name.c_str());
  if (!decoder.valid()) return std::nullopt;
  std::string wide = convertWithIconv(decoder, bytes, skipByteAsReplacement);
  std::u16string units;
  units.reserve(wide.size() / 2);
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    auto unit = static_cast<char16_t>(static_cast<unsigned char>(wide[i]) |
                                      (static_cast<unsigned char>(wide[i + 1]) << 8));
    if (unit != 0) units.push_back(unit);  // a Text holds no zero byte
  }
  return units.empty() ? Text() : unitsToCp936(units);
}

ByteSet bstrToWide(const char16_t* wide) {
  if (wide == nullptr || *wide == 0) return {};
  return unitsToTerminatedWide(std::u16string(wide));
}

}  // namespace nc
