#include "script/cp936_decoder.h"

#include "text/cp936_table.h"

namespace nc {

void cp936Advance(std::string_view text, Cp936Cursor& cursor, std::size_t utf8Target) {
  std::size_t at = cursor.textOffset;
  std::size_t utf8 = cursor.utf8Offset;
  while (utf8 < utf8Target && at < text.size() && text[at] != 0) {
    utf8 += cp936::utf8Length(cp936::decodeNext(text, at));
  }
  cursor = {at, utf8};
}

}  // namespace nc
