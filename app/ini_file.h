// A small reader and writer of INI files held as code page 936 bytes.
//
// Both functions work on the whole file image and never touch the disk. Section and key names
// compare without regard to ASCII case; the first matching section and key win; blanks around
// names and values are dropped; lines end in CRLF or LF. Stateless; safe from any thread.
#pragma once

#include <cstddef>

#include "text/text.h"

namespace nc {

// The longest value readIniValue keeps (a 10,240-byte buffer with its terminating zero).
inline constexpr std::size_t kMaxIniValueBytes = 10239;

// The value of `key` in `section`; empty when the section or key is missing. A longer value is
// cut to kMaxIniValueBytes without splitting a double-byte character.
Text readIniValue(const ByteSet& file, const Text& section, const Text& key);

// The file image with `key` in `section` set to `value`: the key's line is replaced in place, or
// the key is added at the end of its section, or the section is added at the end of the file.
// New lines end in CRLF. A value holding a line break is cut before it.
ByteSet writeIniValue(const ByteSet& file, const Text& section, const Text& key, const Text& value);

}  // namespace nc
