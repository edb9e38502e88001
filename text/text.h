// The byte-string types that every module of the crawler passes around.
//
// A Text holds characters in code page 936 (GBK) and never a zero byte; the empty
// Text is the null value. A ByteSet is a counted byte array that may hold zero bytes:
// HTTP bodies, pictures and UTF-16LE ("wide") strings travel as ByteSets.
#pragma once

#include <string>
#include <string_view>

namespace nc {

using Text = std::string;
using ByteSet = std::string;

inline constexpr int kCodePage936 = 936;
inline constexpr int kCodePageUtf8 = 65001;

// The bytes before the first zero byte, as a Text.
inline Text textUpToZero(std::string_view bytes) {
  return Text(bytes.substr(0, bytes.find('\0')));
}

}  // namespace nc
