// Conversions between code page 936 Text, UTF-16LE wide ByteSets and UTF-8.
//
// A "NUL-terminated" wide ByteSet ends with one 0x0000 unit that counts in its length;
// an empty input always gives an empty result (no lone terminator). Bytes after the
// first zero byte (or units after the first zero unit) are never converted. Characters
// that code page 936 cannot hold become "?"; every invalid input sequence becomes one
// replacement character, which in turn ends as "?" in a Text.
//
// All functions are stateless and safe to call from any thread.
#pragma once

#include <optional>

#include "text/text.h"

namespace nc {

// Multibyte bytes in `codePage` (936 or 65001) to a NUL-terminated wide ByteSet.
ByteSet multiByteToWide(std::string_view bytes, int codePage);

// `multiByteToWide` in code page 936.
ByteSet textToWide(std::string_view text);

// A wide ByteSet (terminated or not) to multibyte bytes in `codePage`, no terminator.
ByteSet wideToMultiByte(std::string_view wide, int codePage);

// `wideToMultiByte` in code page 936.
Text wideToText(std::string_view wide);

// UTF-8 bytes to a Text in code page 936.
Text utf8ToText(std::string_view utf8);

// A Text in code page 936 to UTF-8 (file names, window strings); stops at a zero byte.
std::string textToUtf8(std::string_view text);

// A platform wide string (may be null) to a NUL-terminated wide ByteSet.
ByteSet bstrToWide(const char16_t* wide);

// Bytes in the character set named `charset` (any name iconv knows, e.g. "utf-8", "big5") to a
// Text; every byte (zero bytes included) is decoded, invalid sequences become "?". Nothing when
// the character set is unknown.
std::optional<Text> charsetToText(std::string_view bytes, std::string_view charset);

}  // namespace nc
