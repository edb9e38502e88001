// Reads one page of the catalogue listing: a JSON array of books.
//
// Stateless; safe from any thread.
#pragma once

#include <vector>

#include "text/text.h"

namespace nc {

struct ListingItem {
  Text urlList;  // site-relative path of the chapter-index page
  Text author;
  Text articleName;
  Text intro;
};

// One item per element of the top-level array, in order, a missing or null member giving the
// empty text; no item when `json` (code page 936) is not an array or does not parse.
std::vector<ListingItem> readListingPage(const Text& json);

}  // namespace nc
