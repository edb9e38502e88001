// The window's plumbing: the book model's batches, messages from worker threads, the exit
// routine.
#include <atomic>
#include <thread>

#include <QSignalSpy>

#include "app/book_table_model.h"
#include "app/gui_notifier.h"
#include "app/program.h"
#include "catalogue/app_state.h"
#include "catalogue/book_list.h"
#include "tests/app/app_test_support.h"
#include "text/code_page.h"

#include <gtest/gtest.h>

namespace nc::testing {
namespace {

BookEntry book(int i) {
  return {"https://site/book/" + std::to_string(i), "author", utf8ToText("书名") + std::to_string(i),
          "intro"};
}

TEST(BookTableModelTest, RowsFromAnotherThreadArriveInOneBatch) {
  qtApp();
  BookList books;
  BookTableModel model(books);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  std::thread crawler([&] {
    for (int i = 0; i < 5000; ++i) books.appendRow(book(i));
  });
  crawler.join();
  EXPECT_EQ(model.rowCount(), 0);  // nothing is shown before the window thread collects the batch
  ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount() == 5000; }, 5000));
  EXPECT_LE(inserted.count(), 2);
  EXPECT_EQ(model.data(model.index(4999, 0)).toString(), QStringLiteral("4999"));
  EXPECT_EQ(model.data(model.index(7, 3)).toString(), QString::fromUtf8("书名7"));
  EXPECT_EQ(model.data(model.index(7, 1)).toString(), QStringLiteral("https://site/book/7"));
}

TEST(BookTableModelTest, StatusWritesBecomeFewRangeSignals) {
  qtApp();
  BookList books;
  for (int i = 0; i < 100; ++i) books.appendRow(book(i));
  BookTableModel model(books);
  ASSERT_EQ(model.rowCount(), 100);
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  std::thread downloader([&] {
    for (int round = 0; round < 50; ++round)
      for (int row = 10; row < 20; ++row)
        books.setCell(row, kColumnStatus, "progress " + std::to_string(round));
  });
  downloader.join();
  model.applyChanges();
  ASSERT_EQ(changed.count(), 1);  // one run of neighbouring rows
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 10);
  EXPECT_EQ(changed[0][1].toModelIndex().row(), 19);
  EXPECT_EQ(model.data(model.index(15, 5)).toString(), QStringLiteral("progress 49"));

  // Many scattered rows: one signal for the whole span.
  changed.clear();
  for (int row = 0; row < 100; row += 2) books.setCell(row, kColumnStatus, "x");
  model.applyChanges();
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
  EXPECT_EQ(changed[0][1].toModelIndex().row(), 98);
}

TEST(GuiNotifierTest, WorkerWaitsUntilTheWindowThreadHasShownTheMessage) {
  qtApp();
  RecordingServices services;
  GuiNotifier notifier(services);
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    notifier.showMessage(utf8ToText("已经全部获取完毕！"), MessageIcon::information);
    returned = true;
  });
  // The message is shown only when the window thread runs its event loop.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(returned.load());
  EXPECT_TRUE(services.messages.empty());
  ASSERT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 5000));
  worker.join();
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0].text, QString::fromUtf8("已经全部获取完毕！"));

  // On the window thread the message is shown at once.
  notifier.showMessage("direct", MessageIcon::error);
  ASSERT_EQ(services.messages.size(), 2u);
  EXPECT_EQ(services.messages[1].icon, MessageIcon::error);
}

TEST(GuiNotifierTest, CloseReleasesWaitingWorkersAndDropsLaterMessages) {
  qtApp();
  RecordingServices services;
  GuiNotifier notifier(services);
  std::thread worker([&] { notifier.showMessage("waiting", MessageIcon::information); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  notifier.close();  // without running the event loop
  worker.join();
  notifier.showMessage("later", MessageIcon::information);
  QCoreApplication::processEvents();
  EXPECT_TRUE(services.messages.empty());
}

TEST(ProgramTest, ExitRoutineRunsOnceAndReleasesTheState) {
  qtApp();
  RecordingServices services;
  Program program(services);
  EXPECT_TRUE(program.state().listingTemplate().empty());
  EXPECT_TRUE(program.state().refererUrl().empty());
  EXPECT_EQ(program.state().crawlThread(), nullptr);
  EXPECT_EQ(program.state().codePage(), 936);
  EXPECT_TRUE(program.exitRoutine());
  EXPECT_FALSE(program.exitRoutine());
  EXPECT_EQ(program.exitRoutineRuns(), 1);
}

TEST(ProgramDeathTest, EndProgramRunsTheExitRoutineAndEndsWithItsCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        registerExitRoutine([] { std::fputs("exit routine ran\n", stderr); });
        EndProgram(3);
      },
      ::testing::ExitedWithCode(3), "exit routine ran");
}

}  // namespace
}  // namespace nc::testing
