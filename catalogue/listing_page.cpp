#include "catalogue/listing_page.h"

#include <string>

#include "script/json_object.h"

namespace nc {

std::vector<ListingItem> readListingPage(const Text& json) {
  JsonObject listing;
  listing.parse(json);
  const std::int32_t count = listing.getCount();  // 0 unless the page is an array
  std::vector<ListingItem> items;
  items.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (std::int32_t k = 0; k < count; ++k) {
    const std::string element = "[" + std::to_string(k);
    ListingItem item;
    item.urlList = listing.getText(element + "]['url_list']");
    item.author = listing.getText(element + "].author");
    item.articleName = listing.getText(element + "].articlename");
    item.intro = listing.getText(element + "].intro");
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace nc
