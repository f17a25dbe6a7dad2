#include "ui/template_window.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

#include <cctype>

#include "ui/dialog_units.h"

namespace quillorn::ui {
namespace {

class CommandEvent : public QEvent {
 public:
  explicit CommandEvent(std::uint32_t word) : QEvent(type()), wParam(word) {}
  static QEvent::Type type() {
    static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
    return registered;
  }
  const std::uint32_t wParam;
};

}  // namespace

void TemplateWindow::postCommand(std::uint32_t wParam) {
  QCoreApplication::postEvent(window_, new CommandEvent(wParam), Qt::LowEventPriority);
}

void TemplateWindow::onShow(bool) {}

void TemplateWindow::onCommand(int, int) {}

void TemplateWindow::buildControls(QWidget* window, const DialogTemplate& dialog) {
  window_ = window;
  templateId_ = dialog.id;
  window->setFont(dialogFont());
  window->setFixedSize(mapDialogSize(dialog.width, dialog.height, baseUnits(window->font())));
  controls_.build(window, dialog, baseUnits(window->font()), [this](int id, int code) { onCommand(id, code); });
}

bool TemplateWindow::handleWindowEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
      if (!event->spontaneous()) onShow(event->type() == QEvent::Show);
      return false;  // the widget handles them as usual too
    case QEvent::Paint:
      // Requests that came before the window was first on screen go back
      // into the queue, behind this paint.
      for (std::uint32_t wParam : waitingForPaint_) postCommand(wParam);
      waitingForPaint_.clear();
      return false;
    default: break;
  }
  if (event->type() != CommandEvent::type()) return false;
  const std::uint32_t wParam = static_cast<CommandEvent*>(event)->wParam;
  if (window_->isVisible()) {
    const QWindow* handle = window_->window()->windowHandle();
    if (handle == nullptr || !handle->isExposed()) {
      waitingForPaint_.push_back(wParam);
      return true;
    }
    window_->repaint();
  }
  onCommand(static_cast<int>(wParam & 0xFFFFU), static_cast<int>(wParam >> 16));
  return true;
}

Page::Page(QWidget* frame, const DialogTemplate& dialog) : QWidget(frame) {
  hide();
  buildControls(this, dialog);
}

bool Page::event(QEvent* event) { return handleWindowEvent(event) || QWidget::event(event); }

void Page::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  auto* button = dynamic_cast<QAbstractButton*>(controls().control(controls().defaultButton()));
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && button != nullptr &&
      button->isEnabled() && button->isVisible()) {
    button->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

Dialog::Dialog(QWidget* owner, const DialogTemplate& dialog, bool minimizeBox) : QDialog(owner) {
  // Without an owner the dialog is a main window (in the task bar); either
  // way it has a caption, the window menu and a close button, and no way to
  // maximise it.
  Qt::WindowFlags flags = owner == nullptr ? Qt::Window : Qt::Dialog;
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (minimizeBox) flags |= Qt::WindowMinimizeButtonHint;
  setWindowFlags(flags);
  if (!dialog.caption.empty()) {
    setWindowTitle(QString::fromUtf8(dialog.caption.data(), static_cast<qsizetype>(dialog.caption.size())));
  }
  buildControls(this, dialog);
  // Sees the keys of this window first (eventFilter).
  QCoreApplication::instance()->installEventFilter(this);
}

Dialog::~Dialog() { QCoreApplication::instance()->removeEventFilter(this); }

bool Dialog::event(QEvent* event) { return handleWindowEvent(event) || QDialog::event(event); }

void Dialog::claimMnemonic(int id, char letter) {
  const int upper = std::toupper(static_cast<unsigned char>(letter));
  claims_.push_back({id, Qt::Key_A + (upper - 'A')});
}

bool Dialog::eventFilter(QObject* watched, QEvent* event) {
  // The focus control hears of a key before the shortcuts do: a claim takes
  // the key there, so no control sharing the letter sees it as its mnemonic.
  const QEvent::Type type = event->type();
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
  const auto* target = qobject_cast<QWidget*>(watched);
  if (target == nullptr || target->window() != this) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  // Someone working with the keys sees the focus mark from now on, also on
  // the control a new page gives the focus to (the style shows it only
  // after Tab otherwise).
  if (type == QEvent::KeyPress && (enter || (key->modifiers() & Qt::AltModifier) != 0)) {
    setAttribute(Qt::WA_KeyboardFocusChange);
  }
  if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier) return false;
  for (const MnemonicClaim& claim : claims_) {
    if (key->key() != claim.key) continue;
    auto* button = dynamic_cast<QAbstractButton*>(controls().control(claim.id));
    if (button == nullptr || !button->isEnabled() || !button->isVisible()) return false;
    if (type == QEvent::ShortcutOverride) {
      event->accept();
    } else if (!key->isAutoRepeat()) {
      button->click();
    }
    return true;
  }
  return false;
}

int runModal(QDialog& box) {
  // A box opened from the keyboard shows its focus mark from the start.
  if (QWidget* owner = box.parentWidget();
      owner != nullptr && owner->window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
    box.setAttribute(Qt::WA_KeyboardFocusChange);
  }
  const int result = box.exec();
  if (QWidget* owner = box.parentWidget()) {
    QWidget* window = owner->window();
    if (window->isVisible()) window->activateWindow();
  }
  return result;
}

void paintOnButtonFace(QWidget* window) {
  QPalette face = window->palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  window->setPalette(face);
  window->setAutoFillBackground(true);
}

}  // namespace quillorn::ui
