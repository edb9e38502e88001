// The book list as a Qt table model: six columns, one row per book, updated in batches.
//
// The model observes a BookList. When a batch of changes begins (on any thread) the list's hook
// posts a request to the window thread; there a short timer collects the whole batch with
// takeChanges() and announces new rows with one insertion and rewritten cells with a few
// range signals, so thousands of rows and many status writes a second cost little. Cells are
// read from the BookList when the view asks for them. Lives on the window thread; the BookList
// must outlive it.
#pragma once

#include <memory>

#include <QAbstractTableModel>
#include <QTimer>

#include "catalogue/book_list.h"

namespace nc {

class BookTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // How long the model lets changes gather before showing them.
  static constexpr int kBatchIntervalMs = 40;
  // Column widths of the book list, in pixels.
  // Above this many separate runs of rewritten rows, one signal covers them all.
  static constexpr std::size_t kMaxRangeSignals = 32;
  static constexpr int kColumnWidths[kBookColumnCount] = {50, 200, 100, 150, 100, 200};

  explicit BookTableModel(BookList& books, QObject* parent = nullptr);
  ~BookTableModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // Shows every change recorded so far at once (the timer does this by itself).
  void applyChanges();

 private:
  struct Relay;

  void scheduleApply();

  BookList& books_;
  std::shared_ptr<Relay> relay_;
  QTimer batchTimer_;
  int shownRows_ = 0;
};

}  // namespace nc
