// Cuts the text between two markers out of a page.
//
// Stateless; safe from any thread.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/text.h"

namespace nc {

// In both markers every "#引号" (code page 936) first becomes a double quote. Then the first
// start marker is searched from byte position `startPosition` (counted from 1; 0 = from the
// beginning) and the first end marker at or after the end of that start marker. Returns the
// text strictly between them, or the empty text when either is missing (or a marker is empty).
// `ignoreCase` compares ASCII letters without regard to case.
Text textBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                 std::size_t startPosition = 0, bool ignoreCase = false);

}  // namespace nc
