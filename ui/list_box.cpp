#include "ui/list_box.h"

#include <QAbstractListModel>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <utility>

namespace quillorn::ui {

class LineModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= static_cast<int>(lines_.size())) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return lines_[static_cast<std::size_t>(index.row())];
    return {};
  }

  const QString& line(int row) const { return lines_[static_cast<std::size_t>(row)]; }
  int count() const { return static_cast<int>(lines_.size()); }

  void append(const QStringList& lines) {
    if (lines.isEmpty()) return;
    const int first = count();
    beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
    lines_.insert(lines_.end(), lines.begin(), lines.end());
    endInsertRows();
  }

  // Removes each run of consecutive rows at once, the last run first, so
  // the rows still to remove keep their numbers.
  void remove(const std::vector<int>& rows) {
    std::size_t end = rows.size();
    while (end > 0) {
      std::size_t begin = end - 1;
      while (begin > 0 && rows[begin - 1] == rows[begin] - 1) --begin;
      const int first = rows[begin];
      const int last = rows[end - 1];
      beginRemoveRows({}, first, last);
      lines_.erase(lines_.begin() + first, lines_.begin() + last + 1);
      endRemoveRows();
      end = begin;
    }
  }

  void clear() {
    beginResetModel();
    lines_.clear();
    endResetModel();
  }

 private:
  std::vector<QString> lines_;
};

namespace {

// Every line is as wide as the list's horizontal extent (or its visible width,
// whichever is more), so the view scrolls sideways exactly through the extent
// and no line is cut short with an ellipsis.
class ExtentDelegate : public QStyledItemDelegate {
 public:
  explicit ExtentDelegate(ListBox* list) : QStyledItemDelegate(list), list_(list) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QSize natural = QStyledItemDelegate::sizeHint(option, index);
    return {std::max(list_->horizontalExtent(), list_->viewport()->width()), natural.height()};
  }

 private:
  ListBox* list_;
};

}  // namespace

ListBox::ListBox(QWidget* parent, bool extendedSelection) : QListView(parent), model_(new LineModel(this)) {
  setModel(model_);
  setItemDelegate(new ExtentDelegate(this));
  setUniformItemSizes(true);
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(extendedSelection ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

int ListBox::count() const { return model_->count(); }

QString ListBox::line(int row) const { return model_->line(row); }

void ListBox::appendLine(const QString& line) { model_->append(QStringList{line}); }

void ListBox::appendLines(const QStringList& lines) { model_->append(lines); }

void ListBox::clear() { model_->clear(); }

void ListBox::removeRows(const std::vector<int>& rows) { model_->remove(rows); }

std::vector<int> ListBox::selectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void ListBox::setCaret(int row) {
  if (row < 0 || row >= count()) return;
  selectionModel()->setCurrentIndex(model_->index(row), QItemSelectionModel::NoUpdate);
  if (scrollPending_) return;
  scrollPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        scrollPending_ = false;
        scrollTo(currentIndex());
      },
      Qt::QueuedConnection);
}

void ListBox::setHorizontalExtent(int pixels) {
  const int extent = std::max(pixels, 0);
  if (extent == extent_) return;
  extent_ = extent;
  // The lines' width comes from the delegate; the view measures them again
  // with its next layout.
  scheduleDelayedItemsLayout();
}

void ListBox::widenHorizontalExtent(const QString& text) {
  const int width = fontMetrics().horizontalAdvance(text) + kExtentMargin;
  if (width > extent_) setHorizontalExtent(width);
}

}  // namespace quillorn::ui
