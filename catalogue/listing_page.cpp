#include "catalogue/listing_page.h"

#include <boost/json.hpp>

#include "text/code_page.h"

namespace nc {
namespace {

Text memberText(const boost::json::object& object, const char* name) {
  const boost::json::value* value = object.if_contains(name);
  if (value == nullptr || value->is_null()) return {};
  if (value->is_string()) {
    const boost::json::string& text = value->get_string();
    return utf8ToText(std::string_view(text.data(), text.size()));
  }
  return utf8ToText(boost::json::serialize(*value));
}

}  // namespace

std::vector<ListingItem> readListingPage(const Text& json) {
  std::vector<ListingItem> items;
  boost::system::error_code error;
  const boost::json::value root = boost::json::parse(textToUtf8(json), error);
  if (error || !root.is_array()) return items;
  for (const boost::json::value& element : root.get_array()) {
    ListingItem item;
    if (element.is_object()) {
      const boost::json::object& object = element.get_object();
      item.urlList = memberText(object, "url_list");
      item.author = memberText(object, "author");
      item.articleName = memberText(object, "articlename");
      item.intro = memberText(object, "intro");
    }
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace nc
