#include "ui/list_box.h"

#include <QAbstractListModel>
#include <QEvent>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <utility>

namespace quillorn::ui {

// The lines, and how many of them the view has been told about: lines are
// announced in one batch per round of events, since every announcement makes
// the view lay out all lines again.
class LineModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : announced_; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= announced_) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return lines_[static_cast<std::size_t>(index.row())];
    return {};
  }

  const QString& line(int row) const { return lines_[static_cast<std::size_t>(row)]; }
  int count() const { return static_cast<int>(lines_.size()); }

  void setLine(int row, const QString& line) {
    lines_[static_cast<std::size_t>(row)] = line;
    if (row < announced_) emit dataChanged(index(row), index(row), {Qt::DisplayRole});
  }

  // Keeps the lines; the view learns of them with the next announce().
  void append(const QStringList& lines) { lines_.insert(lines_.end(), lines.begin(), lines.end()); }

  void announce() {
    if (announced_ == count()) return;
    beginInsertRows({}, announced_, count() - 1);
    announced_ = count();
    endInsertRows();
  }

  // Removes each run of consecutive rows at once, the last run first, so
  // the rows still to remove keep their numbers.
  void remove(const std::vector<int>& rows) {
    announce();
    std::size_t end = rows.size();
    while (end > 0) {
      std::size_t begin = end - 1;
      while (begin > 0 && rows[begin - 1] == rows[begin] - 1) --begin;
      const int first = rows[begin];
      const int last = rows[end - 1];
      beginRemoveRows({}, first, last);
      lines_.erase(lines_.begin() + first, lines_.begin() + last + 1);
      announced_ = count();
      endRemoveRows();
      end = begin;
    }
  }

  void clear() {
    beginResetModel();
    lines_.clear();
    announced_ = 0;
    endResetModel();
  }

 private:
  std::vector<QString> lines_;
  int announced_ = 0;
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
  // The view would otherwise scroll (and so lay out every line) whenever the
  // current line changes; setCaret scrolls once per round of events instead.
  setAutoScroll(false);
  setSelectionMode(extendedSelection ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

int ListBox::count() const { return model_->count(); }

QString ListBox::line(int row) const { return model_->line(row); }

void ListBox::appendLine(const QString& line) { appendLines(QStringList{line}); }

void ListBox::appendLines(const QStringList& lines) {
  model_->append(lines);
  scheduleRound();
}

void ListBox::clear() { model_->clear(); }

void ListBox::removeRows(const std::vector<int>& rows) { model_->remove(rows); }

void ListBox::setLine(int row, const QString& line) {
  if (row >= 0 && row < count()) model_->setLine(row, line);
}

int ListBox::selectedRow() const {
  const std::vector<int> rows = selectedRows();
  return rows.empty() ? -1 : rows.front();
}

void ListBox::selectRow(int row) {
  if (row < 0 || row >= count()) return;
  model_->announce();
  selectionModel()->setCurrentIndex(model_->index(row), QItemSelectionModel::ClearAndSelect);
}

std::vector<int> ListBox::selectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void ListBox::setCaret(int row) {
  if (row < 0 || row >= count()) return;
  caretRow_ = row;
  caretPending_ = true;
  scheduleRound();
}

void ListBox::scheduleRound() {
  if (roundPending_) return;
  roundPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        roundPending_ = false;
        model_->announce();
        if (!caretPending_ || caretRow_ >= count()) return;
        caretPending_ = false;
        const QModelIndex caret = model_->index(caretRow_);
        selectionModel()->setCurrentIndex(caret, QItemSelectionModel::NoUpdate);
        scrollTo(caret);
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

int ListBox::textWidth(const QString& text) {
  // The sum of the characters' advances, without kerning (as the Windows text
  // measure gives it): no shaping per line, and a table for the Latin-1 ones.
  if (advances_.empty()) advances_.assign(256, -1);
  const QFontMetrics metrics = fontMetrics();
  int width = 0;
  for (const QChar c : text) {
    if (c.unicode() >= advances_.size()) {
      width += metrics.horizontalAdvance(c);
      continue;
    }
    int& advance = advances_[c.unicode()];
    if (advance < 0) advance = metrics.horizontalAdvance(c);
    width += advance;
  }
  return width;
}

void ListBox::widenHorizontalExtent(const QString& text) {
  const int width = textWidth(text) + kExtentMargin;
  if (width > extent_) setHorizontalExtent(width);
}

void ListBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) advances_.clear();
  QListView::changeEvent(event);
}

}  // namespace quillorn::ui
