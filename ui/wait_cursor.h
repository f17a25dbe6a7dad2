#pragma once
// The wait cursor over every window of the program for as long as the object
// lives; the arrow comes back when it goes, however the scope is left.

#include <QApplication>
#include <QCursor>

namespace quillorn::ui {

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace quillorn::ui
