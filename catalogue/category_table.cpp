#include "catalogue/category_table.h"

#include <string>
#include <string_view>

#include "catalogue/app_state.h"
#include "text/code_page.h"

namespace nc {
namespace {

struct CategorySource {
  std::string_view entryText;  // UTF-8
  std::string_view refererPath;
};

constexpr std::array<CategorySource, CategoryTable::kCategoryCount> kCategories = {{
    {"玄幻", "/xuanhuan/"},
    {"武侠", "/wuxia/"},
    {"都市", "/dushi/"},
    {"历史", "/lishi/"},
    {"网游", "/wangyou/"},
    {"科幻", "/kehuan/"},
    {"女生", "/mm/"},
    {"完本", "/finish/"},
    {"排行榜", "/top/"},
}};

}  // namespace

CategoryTable::CategoryTable(const Text& origin) {
  for (int index = 0; index < kCategoryCount; ++index) {
    const CategorySource& source = kCategories[index];
    CategoryRow& row = rows_[index];
    row.entryText = utf8ToText(source.entryText);
    row.listingTemplate = origin + "/json?sortid=" + std::to_string(index + 1) + "&page=**";
    row.refererUrl = origin + Text(source.refererPath);
  }
}

const CategoryRow& CategoryTable::row(int index) const {
  if (index < 0 || index >= kCategoryCount) index = 0;
  return rows_[index];
}

std::vector<Text> CategoryTable::entryTexts() const {
  std::vector<Text> texts;
  texts.reserve(rows_.size());
  for (const CategoryRow& row : rows_) texts.push_back(row.entryText);
  return texts;
}

void selectCategory(AppState& state, const CategoryTable& table, int selectionIndex) {
  if (selectionIndex < 0 || selectionIndex >= CategoryTable::kCategoryCount) return;
  const CategoryRow& row = table.row(selectionIndex);
  state.setCategoryUrls({row.listingTemplate, row.refererUrl});
}

}  // namespace nc
