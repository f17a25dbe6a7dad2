#include "ui/stop_key.h"

#include <QApplication>
#include <QKeyEvent>

namespace quillorn::ui {

StopKey::StopKey(QWidget* window) : window_(window) { QCoreApplication::instance()->installEventFilter(this); }

StopKey::~StopKey() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool StopKey::poll() {
  if (!requested_ && sincePump_.isValid() && sincePump_.elapsed() < pumpIntervalMs_) return false;
  escSeen_ = false;
  pumping_ = true;
  // Two rounds: what the first round's events posted (a list's new lines
  // laid out, the repaint that follows) reaches the screen in this poll, not
  // one pump interval later.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  pumping_ = false;
  sincePump_.start();
  // A press seen while the window was active counts only if it still is.
  const bool escStop = escSeen_ && window_ != nullptr && QApplication::activeWindow() == window_;
  return requested_ || escStop;
}

bool StopKey::eventFilter(QObject* watched, QEvent* event) {
  if (!pumping_ || event->type() != QEvent::KeyPress) return false;
  if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return false;
  auto* target = qobject_cast<QWidget*>(watched);
  if (target == nullptr || window_ == nullptr || target->window() != window_) return false;
  if (QApplication::activeWindow() == window_) escSeen_ = true;
  return true;
}

}  // namespace quillorn::ui
