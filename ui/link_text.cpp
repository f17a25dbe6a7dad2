#include "ui/link_text.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace quillorn::ui {
namespace {

// What assistive technology sees: a link named by its text, with one action.
class LinkAccessible : public QAccessibleWidget {
 public:
  explicit LinkAccessible(LinkText* link) : QAccessibleWidget(link, QAccessible::Link) {}

  QString text(QAccessible::Text kind) const override {
    QString value = QAccessibleWidget::text(kind);
    if (kind == QAccessible::Name && value.isEmpty()) value = static_cast<LinkText*>(widget())->text();
    return value;
  }

  QStringList actionNames() const override { return {pressAction()}; }

  void doAction(const QString& action) override {
    if (action == pressAction()) static_cast<LinkText*>(widget())->activate();
  }
};

QAccessibleInterface* linkAccessibleFactory(const QString&, QObject* object) {
  if (auto* link = dynamic_cast<LinkText*>(object)) return new LinkAccessible(link);
  return nullptr;
}

}  // namespace

LinkText::LinkText(QWidget* parent) : QLabel(parent) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(linkAccessibleFactory);
    return true;
  }();
  (void)factoryInstalled;
  setTextFormat(Qt::PlainText);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
}

void LinkText::activate() {
  if (onActivated) onActivated();
}

void LinkText::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    activate();
    return;
  }
  QLabel::mouseReleaseEvent(event);
}

void LinkText::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    activate();
    return;
  }
  QLabel::keyPressEvent(event);
}

void LinkText::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QPainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  // The style draws the mark only after a key moved the focus; a link that
  // has it when its box opens shows it too, so a keyboard user sees where
  // Space goes.
  option.state |= QStyle::State_KeyboardFocusChange;
  option.rect = contentsRect();
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

}  // namespace quillorn::ui
