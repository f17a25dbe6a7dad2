#pragma once
// The list box of the pages: lines of text in a model, drawn by one view, so
// a list of tens of thousands of lines costs no more to show than a screenful.
// Lines appended one by one reach the view together, when the window next
// handles its events: the view lays out all its lines whenever it learns of
// new ones, so it learns of them once per round, not once per line.
//
// Besides its lines a list keeps its horizontal extent: the width in pixels
// through which it scrolls sideways. Every list of the program follows one
// rule for it, the widest line measured with the list's own font plus 180,
// which widenHorizontalExtent applies one line at a time; the owner resets it.
//
// Not handled: sorting, item data beside the text (a page that needs a number
// per line numbers its lines by row), owner drawing.

#include <QListView>
#include <QString>
#include <QStringList>

#include <vector>

namespace quillorn::ui {

class LineModel;

class ListBox : public QListView {
 public:
  // What widenHorizontalExtent adds to the widest line.
  static constexpr int kExtentMargin = 180;

  // One selected line at a time, or several with Shift and Ctrl.
  ListBox(QWidget* parent, bool extendedSelection);

  int count() const;
  QString line(int row) const;
  void appendLine(const QString& line);
  void appendLines(const QStringList& lines);
  void clear();
  // Removes the given rows (ascending, no repeats); the others keep their order.
  void removeRows(const std::vector<int>& rows);
  // Replaces the text of `row` in place: the line keeps its position, and the
  // list its scroll position and selection.
  void setLine(int row, const QString& line);
  // The selected rows, ascending.
  std::vector<int> selectedRows() const;
  // The first selected row, -1 when none is.
  int selectedRow() const;
  // Makes `row` the one selected line and the current one, without scrolling.
  void selectRow(int row);

  // Makes `row` the current line, without selecting it, and scrolls it into
  // view, both once the waiting events are handled.
  void setCaret(int row);

  int horizontalExtent() const { return extent_; }
  // Sets the sideways scroll width; 0 turns sideways scrolling off.
  void setHorizontalExtent(int pixels);
  // Widens the extent to the width of `text` in the list's font plus
  // kExtentMargin when that is wider; never narrows it.
  void widenHorizontalExtent(const QString& text);
  // The width of `text` in the list's font, in pixels.
  int textWidth(const QString& text);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  // Shows the appended lines and moves the caret when the events are next handled.
  void scheduleRound();

  LineModel* model_;
  int extent_ = 0;
  int caretRow_ = 0;
  bool caretPending_ = false;
  bool roundPending_ = false;
  std::vector<int> advances_;  // of the characters below 256; -1: not measured yet
};

}  // namespace quillorn::ui
