#include "catalogue/book_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace nc {
namespace {

BookEntry entry(const std::string& title) {
  return {"https://site/" + title, "author", title, "intro"};
}

TEST(BookListTest, AppendedRowsCarryTheirOwnIndex) {
  BookList list;
  EXPECT_EQ(list.appendRow(entry("a")), 0u);
  EXPECT_EQ(list.appendRow(entry("b")), 1u);
  EXPECT_EQ(list.rowCount(), 2u);
  const BookRow row = list.row(1);
  EXPECT_EQ(row[kColumnIndex], "1");
  EXPECT_EQ(row[kColumnUrl], "https://site/b");
  EXPECT_EQ(row[kColumnAuthor], "author");
  EXPECT_EQ(row[kColumnTitle], "b");
  EXPECT_EQ(row[kColumnIntro], "intro");
  EXPECT_EQ(row[kColumnStatus], "");
}

TEST(BookListTest, OutOfRangeReadsAreEmptyAndWritesIgnored) {
  BookList list;
  list.appendRow(entry("a"));
  list.setCell(5, kColumnStatus, "x");
  list.setCell(0, kBookColumnCount, "x");
  list.setCell(0, kColumnIndex, "7");  // the index column belongs to the list
  EXPECT_EQ(list.cell(0, kColumnIndex), "0");
  EXPECT_EQ(list.cell(5, kColumnStatus), "");
  EXPECT_EQ(list.cell(0, -1), "");
  EXPECT_EQ(list.row(9)[kColumnTitle], "");
}

TEST(BookListTest, ChangesArriveInBatches) {
  BookList list;
  int hookCalls = 0;
  list.setChangeHook([&] { ++hookCalls; });
  list.appendRow(entry("a"));
  list.appendRow(entry("b"));
  list.setCell(0, kColumnStatus, "s");  // a row not yet reported counts as new, not as changed
  EXPECT_EQ(hookCalls, 1);

  BookListChanges changes = list.takeChanges();
  EXPECT_EQ(changes.firstNewRow, 0u);
  EXPECT_EQ(changes.rowCount, 2u);
  EXPECT_TRUE(changes.changedRows.empty());
  EXPECT_TRUE(list.takeChanges().empty());

  list.setCell(1, kColumnStatus, "1");
  list.setCell(0, kColumnStatus, "2");
  list.setCell(1, kColumnStatus, "3");
  list.setCell(1, kColumnStatus, "3");  // same text: no change
  list.appendRow(entry("c"));
  EXPECT_EQ(hookCalls, 2);
  changes = list.takeChanges();
  EXPECT_EQ(changes.firstNewRow, 2u);
  EXPECT_EQ(changes.rowCount, 3u);
  EXPECT_EQ(changes.changedRows, (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(list.cell(1, kColumnStatus), "3");

  list.setCell(1, kColumnStatus, "4");
  EXPECT_EQ(list.takeChanges().changedRows, (std::vector<std::size_t>{1}));
}

TEST(BookListTest, ConcurrentAppendsAndWritesLoseNothing) {
  BookList list;
  std::atomic<int> hookCalls{0};
  list.setChangeHook([&] { ++hookCalls; });
  constexpr int kThreads = 4;
  constexpr int kRowsPerThread = 250;
  std::atomic<bool> done{false};
  std::size_t seenRows = 0;
  std::thread reader([&] {
    while (!done.load()) {
      const BookListChanges changes = list.takeChanges();
      EXPECT_EQ(changes.firstNewRow, seenRows);
      seenRows = changes.rowCount;
    }
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&list, t] {
      for (int i = 0; i < kRowsPerThread; ++i) {
        const std::size_t row = list.appendRow(entry(std::to_string(t)));
        list.setCell(row, kColumnStatus, "done");
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  done = true;
  reader.join();
  ASSERT_EQ(list.rowCount(), static_cast<std::size_t>(kThreads * kRowsPerThread));
  for (std::size_t row = 0; row < list.rowCount(); ++row) {
    EXPECT_EQ(list.cell(row, kColumnIndex), std::to_string(row));
    EXPECT_EQ(list.cell(row, kColumnStatus), "done");
  }
  EXPECT_EQ(list.takeChanges().rowCount, list.rowCount());
  EXPECT_GE(hookCalls.load(), 1);
}

}  // namespace
}  // namespace nc
