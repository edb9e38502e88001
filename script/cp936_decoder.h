// Walks a code-page-936 text and its UTF-8 form side by side, so that byte offsets found in the
// UTF-8 form (where the regular expressions run) map back to offsets in the text.
//
// Stateless; safe from any thread.
#pragma once

#include <cstddef>
#include <string_view>

namespace nc {

// A place in a code-page-936 text and the matching place in its textToUtf8 form.
struct Cp936Cursor {
  std::size_t textOffset = 0;
  std::size_t utf8Offset = 0;
};

// Moves `cursor` forward character by character until its UTF-8 offset reaches `utf8Target`
// (or the end of the text, or a zero byte).
void cp936Advance(std::string_view text, Cp936Cursor& cursor, std::size_t utf8Target);

}  // namespace nc
