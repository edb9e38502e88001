// Code page 936 as two lookup tables, built once per process from the system's iconv.
//
// Decoding maps one or two bytes to a UTF-16 unit; encoding maps a UTF-16 unit back to its
// bytes. Thread-safe: the tables are built once, on first use, and only read afterwards.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nc::cp936 {

inline constexpr char16_t kReplacementUnit = 0xFFFD;

// The unit of the character at `text[at]`, moving `at` past it. A byte that starts no valid
// character gives the replacement unit and moves one byte.
char16_t decodeNext(std::string_view text, std::size_t& at);

// Appends the bytes of `unit`; "?" when code page 936 has no such character.
void appendEncoded(std::string& out, char16_t unit);

// Code page 936 bytes (up to the first zero byte) converted to UTF-8; a byte that starts no valid
// character becomes U+FFFD.
std::string toUtf8(std::string_view text);

// The number of UTF-8 bytes of `unit` when it stands alone (surrogates count as U+FFFD would).
inline std::size_t utf8Length(char16_t unit) {
  if (unit < 0x80) return 1;
  if (unit < 0x800) return 2;
  return 3;
}

// UTF-8 bytes converted to code page 936: characters it lacks become "?", invalid sequences
// "?" each, zero bytes are left out.
std::string utf8ToCp936(std::string_view utf8);

}  // namespace nc::cp936
