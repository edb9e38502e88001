// Parses arbitrary text as a listing page or notice and reads it the way the crawl and the
// remote notice do. Whatever parses must serialise to valid JSON of the same shape. (Numbers
// are not compared: the JSON library's decimal conversion is not always correctly rounded, and
// a number too large for a double becomes Infinity, written as null.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/json_object.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  nc::JsonObject json;
  nc::ScriptError error;
  bool parsed = json.parse(text, false, &error);
  if (!parsed && json.getCount() != 0) std::abort();
  int count = json.getCount();
  for (int k = 0; k < count && k < 64; ++k) {
    std::string index = "[" + std::to_string(k);
    for (const char* suffix : {"]['url_list']", "].author", "].articlename", "].intro"}) {
      json.getText(index + suffix);
    }
  }
  for (const char* path : {"date.debug", "date['Picture_on']", "date['version_number']",
                           "date.Attributes['download_link']", "date.Attributes.information",
                           "date.Attributes['Check-for-updates']", "date.Attributes['Picture_output 1']",
                           "da.date.debug", "", "[0]", "a.b.c[1]['x y']"}) {
    json.getText(path);
    json.getText(path, true);
    json.typeOf(path);
    json.getCount(path);
    json.exists(path);
  }
  if (parsed) {
    nc::Text serialised = json.toJson();
    // A number beyond the double range reads as Infinity, which JSON writes as null.
    nc::JsonObject again;
    bool parsedAgain = again.parse(serialised);
    if (serialised != "null" && (!parsedAgain || again.typeOf() != json.typeOf())) std::abort();
    if (again.getCount() != json.getCount()) std::abort();
  }
  return 0;
}
