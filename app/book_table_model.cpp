#include "app/book_table_model.h"

#include <algorithm>
#include <mutex>

#include "app/qt_text.h"
#include "catalogue/user_texts.h"

namespace nc {

// Carries the list's hook to the model; cut off when the model goes, so a worker that fires the
// hook late posts nothing.
struct BookTableModel::Relay {
  std::mutex mutex;
  BookTableModel* model = nullptr;

  void post() {
    std::lock_guard lock(mutex);
    if (model == nullptr) return;
    // Runs on the window thread; dropped by Qt if the model has gone by then.
    QMetaObject::invokeMethod(
        model, [m = model] { m->scheduleApply(); }, Qt::QueuedConnection);
  }
};

BookTableModel::BookTableModel(BookList& books, QObject* parent)
    : QAbstractTableModel(parent), books_(books), relay_(std::make_shared<Relay>()) {
  relay_->model = this;
  batchTimer_.setSingleShot(true);
  batchTimer_.setInterval(kBatchIntervalMs);
  connect(&batchTimer_, &QTimer::timeout, this, &BookTableModel::applyChanges);
  books_.setChangeHook([relay = relay_] { relay->post(); });
  applyChanges();
}

BookTableModel::~BookTableModel() {
  books_.setChangeHook({});
  std::lock_guard lock(relay_->mutex);
  relay_->model = nullptr;
}

int BookTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownRows_;
}

int BookTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kBookColumnCount;
}

QVariant BookTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shownRows_) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  return toQString(books_.cell(static_cast<std::size_t>(index.row()), index.column()));
}

QVariant BookTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section;
  if (section < 0 || section >= kBookColumnCount) return {};
  return fromUtf8(texts::kBookColumnTitles[static_cast<std::size_t>(section)]);
}

void BookTableModel::scheduleApply() {
  if (!batchTimer_.isActive()) batchTimer_.start();
}

void BookTableModel::applyChanges() {
  batchTimer_.stop();
  const BookListChanges changes = books_.takeChanges();
  // Rewritten older rows: one signal per run of neighbouring rows, or one for the whole span
  // when the runs are many.
  const auto& rows = changes.changedRows;
  auto announce = [this](std::size_t first, std::size_t last) {
    const int lastShown = std::min(static_cast<int>(last), shownRows_ - 1);
    if (static_cast<int>(first) <= lastShown) {
      emit dataChanged(index(static_cast<int>(first), 0), index(lastShown, kBookColumnCount - 1),
                       {Qt::DisplayRole});
    }
  };
  if (rows.size() > kMaxRangeSignals) {
    announce(rows.front(), rows.back());
  } else {
    for (std::size_t i = 0; i < rows.size();) {
      std::size_t j = i;
      while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) ++j;
      announce(rows[i], rows[j]);
      i = j + 1;
    }
  }
  const int total = static_cast<int>(changes.rowCount);
  if (total > shownRows_) {
    beginInsertRows({}, shownRows_, total - 1);
    shownRows_ = total;
    endInsertRows();
  }
}

}  // namespace nc
