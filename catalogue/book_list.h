// The book list: one row of six cells per book, rows only ever appended.
//
// Column 0 holds the row's own index (set by appendRow), columns 1-4 the book as the catalogue
// lists it, column 5 the download status. Every function is safe from any thread: crawls append
// rows, download jobs read cells and write the status, the window reads for display.
//
// Changes reach the view in batches: every append and cell write is recorded, and the one
// consumer (the window's model, or a front end) collects them with takeChanges(), typically on a
// timer or after the change hook has fired. The change hook runs on the thread that made the
// first change after a takeChanges() (any thread, with no lock held), at most once per batch;
// it must only schedule work (for example post a queued call to the window thread).
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "text/text.h"

namespace nc {

enum BookColumn : int {
  kColumnIndex = 0,
  kColumnUrl = 1,
  kColumnAuthor = 2,
  kColumnTitle = 3,
  kColumnIntro = 4,
  kColumnStatus = 5,
};
inline constexpr int kBookColumnCount = 6;

using BookRow = std::array<Text, kBookColumnCount>;

// What a crawl knows of one book (code page 936).
struct BookEntry {
  Text url;  // chapter-index URL, absolute
  Text author;
  Text title;
  Text intro;
};

// The changes since the previous takeChanges(). Rows [firstNewRow, rowCount) are new; the view
// should show rowCount rows afterwards. changedRows lists, ascending and without repeats, the
// older rows (below firstNewRow) whose cells were written.
struct BookListChanges {
  std::size_t firstNewRow = 0;
  std::size_t rowCount = 0;
  std::vector<std::size_t> changedRows;

  bool empty() const { return firstNewRow == rowCount && changedRows.empty(); }
};

class BookList {
 public:
  BookList() = default;
  BookList(const BookList&) = delete;
  BookList& operator=(const BookList&) = delete;

  // Appends a row (column 0 = its index in decimal, column 5 empty); returns its index.
  std::size_t appendRow(const BookEntry& entry);

  std::size_t rowCount() const;

  // The cell's text; empty for a row or column out of range.
  Text cell(std::size_t row, int column) const;

  // A copy of the whole row; all-empty for a row out of range.
  BookRow row(std::size_t row) const;

  // Writes a cell; does nothing for a row or column out of range, or for column 0.
  void setCell(std::size_t row, int column, Text value);

  // Takes the changes recorded since the previous call (see the header paragraph).
  BookListChanges takeChanges();

  // Installs the hook run when a batch of changes begins; an empty function removes it.
  void setChangeHook(std::function<void()> hook);

 private:
  mutable std::mutex mutex_;
  std::deque<BookRow> rows_;
  std::size_t reportedRows_ = 0;        // rows the consumer knows of
  std::vector<std::size_t> dirtyRows_;  // old rows written since the last takeChanges
  std::vector<bool> dirtyFlags_;        // per row below reportedRows_
  bool batchOpen_ = false;
  std::function<void()> hook_;
};

}  // namespace nc
