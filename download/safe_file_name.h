// Turns a title from the novel site into a name that is safe as one file or directory name.
//
// "/", "\", ":", "*", "?", the double quote, "<", ">", "|" and control characters become "_"; a
// name that ends up empty, "." or ".." is replaced by the fallback; the result is cut to
// `maxBytes` bytes of UTF-8 on a character boundary. The result never holds a separator, so a
// joined path never leaves its directory. Stateless; safe from any thread.
#pragma once

#include <cstddef>
#include <string>

#include "text/text.h"

namespace nc {

// Room left for " (N)" and ".txt" below the file system's 255-byte name limit.
inline constexpr std::size_t kMaxFileNameBytes = 200;

// `title` in code page 936 (multibyte characters are kept whole); `fallback` in UTF-8 (used
// as it is). Returns the name in UTF-8, the file system's form.
std::string safeFileName(const Text& title, const std::string& fallback,
                         std::size_t maxBytes = kMaxFileNameBytes);

}  // namespace nc
