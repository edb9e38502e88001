// The nine catalogue categories and the handler of their drop-down list.
//
// A CategoryTable is immutable after construction and safe to share between threads.
#pragma once

#include <array>
#include <vector>

#include "text/text.h"

namespace nc {

class AppState;

struct CategoryRow {
  Text entryText;        // the drop-down entry, e.g. "武侠"
  Text listingTemplate;  // origin + "/json?sortid=N&page=**"
  Text refererUrl;       // origin + the category page, e.g. "/wuxia/"
};

class CategoryTable {
 public:
  static constexpr int kCategoryCount = 9;

  // The table for the novel site at `origin` (no trailing slash).
  explicit CategoryTable(const Text& origin);

  // Row 0 to 8; any other index gives row 0.
  const CategoryRow& row(int index) const;

  // The nine entry texts in drop-down order.
  std::vector<Text> entryTexts() const;

 private:
  std::array<CategoryRow, kCategoryCount> rows_;
};

// The selection handler of the category drop-down: for an index 0 to 8, stores that row's two
// URLs in `state` together; any other index (no selection) changes nothing. Any thread.
void selectCategory(AppState& state, const CategoryTable& table, int selectionIndex);

}  // namespace nc
