#pragma once
// Static text that opens something when clicked (a web or mail address). It
// shows the hand cursor, is reached by Tab, shows the focus mark while it has
// the focus and is pressed with Space; Enter goes on to the window's default
// button, as from any control that is not a push button. A screen reader or
// desktop test tool sees it as a link it can press. The owner sets the colour
// (ControlSet::setTextColour) and what a press does.

#include <QLabel>

#include <functional>

namespace quillorn::ui {

class LinkText : public QLabel {
 public:
  explicit LinkText(QWidget* parent);

  // Called on a click, Space, or a screen reader's press.
  std::function<void()> onActivated;
  void activate();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace quillorn::ui
