// Decodes a page from the character set its HTML declares in a meta tag.
//
// Looks for "<meta ... charset=NAME" in the first 1024 bytes of the page text. Pages that
// declare nothing, "gbk" or "gb2312" (exactly, in lower case) keep their page text; any other
// name the system's iconv knows decodes the whole body into code page 936; an unknown name
// leaves the page text unchanged. Pure; safe from any thread.
#pragma once

#include "text/text.h"

namespace nc {

inline constexpr std::size_t kCharsetWindowBytes = 1024;

Text decodeDeclaredCharset(const Text& pageText, const ByteSet& body);

}  // namespace nc
