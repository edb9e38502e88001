#include "web/charset_detection.h"

#include "script/regex_object.h"
#include "text/code_page.h"

namespace nc {

Text decodeDeclaredCharset(const Text& pageText, const ByteSet& body) {
  static constexpr const char* kMetaCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
  RegexObject regex;
  if (!regex.execute(kMetaCharsetPattern, pageText.substr(0, kCharsetWindowBytes))) return pageText;
  Text charset = regex.subMatchText(1, 1);
  if (charset.empty() || charset == "gbk" || charset == "gb2312") return pageText;
  std::optional<Text> decoded = charsetToText(body, charset);
  return decoded ? *decoded : pageText;
}

}  // namespace nc
