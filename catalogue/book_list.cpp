#include "catalogue/book_list.h"

#include <algorithm>
#include <string>

namespace nc {

std::size_t BookList::appendRow(const BookEntry& entry) {
  std::function<void()> hook;
  std::size_t index;
  {
    std::lock_guard lock(mutex_);
    index = rows_.size();
    BookRow& row = rows_.emplace_back();
    row[kColumnIndex] = std::to_string(index);
    row[kColumnUrl] = entry.url;
    row[kColumnAuthor] = entry.author;
    row[kColumnTitle] = entry.title;
    row[kColumnIntro] = entry.intro;
    if (!batchOpen_) {
      batchOpen_ = true;
      hook = hook_;
    }
  }
  if (hook) hook();
  return index;
}

std::size_t BookList::rowCount() const {
  std::lock_guard lock(mutex_);
  return rows_.size();
}

Text BookList::cell(std::size_t row, int column) const {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size() || column < 0 || column >= kBookColumnCount) return {};
  return rows_[row][column];
}

BookRow BookList::row(std::size_t row) const {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size()) return {};
  return rows_[row];
}

void BookList::setCell(std::size_t row, int column, Text value) {
  if (column <= kColumnIndex || column >= kBookColumnCount) return;
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    if (row >= rows_.size()) return;
    Text& target = rows_[row][column];
    if (target == value) return;
    target = std::move(value);
    if (row < reportedRows_) {
      if (dirtyFlags_.size() < reportedRows_) dirtyFlags_.resize(reportedRows_, false);
      if (!dirtyFlags_[row]) {
        dirtyFlags_[row] = true;
        dirtyRows_.push_back(row);
      }
    }
    if (!batchOpen_) {
      batchOpen_ = true;
      hook = hook_;
    }
  }
  if (hook) hook();
}

BookListChanges BookList::takeChanges() {
  std::lock_guard lock(mutex_);
  BookListChanges changes;
  changes.firstNewRow = reportedRows_;
  changes.rowCount = rows_.size();
  changes.changedRows.swap(dirtyRows_);
  std::sort(changes.changedRows.begin(), changes.changedRows.end());
  for (std::size_t row : changes.changedRows) dirtyFlags_[row] = false;
  reportedRows_ = rows_.size();
  batchOpen_ = false;
  return changes;
}

void BookList::setChangeHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

}  // namespace nc
