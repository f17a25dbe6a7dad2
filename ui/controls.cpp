#include "ui/controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

#include "ui/link_text.h"
#include "ui/list_box.h"
#include "ui/text.h"

namespace quillorn::ui {
namespace {

QString captionOf(const ControlTemplate& control) {
  return QString::fromUtf8(control.caption.data(), static_cast<qsizetype>(control.caption.size()));
}

Qt::Alignment textAlignment(std::uint32_t styleBits) {
  Qt::Alignment across = Qt::AlignLeft;
  if ((styleBits & style::kCentre) != 0) across = Qt::AlignHCenter;
  if ((styleBits & style::kRight) != 0) across = Qt::AlignRight;
  return across | Qt::AlignTop;
}

// Static text as the templates mean it: plain (a '<' in a status text is a
// character), wrapped at word ends, aligned by its style.
void setUpText(QLabel* label, const ControlTemplate& control) {
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(textAlignment(control.style));
  label->setText(captionOf(control));
}

}  // namespace

void ControlSet::build(QWidget* host, const DialogTemplate& dialog, BaseUnits units, CommandHandler onCommand) {
  host_ = host;
  QButtonGroup* radioGroup = nullptr;
  for (const ControlTemplate& control : dialog.controls) {
    QWidget* widget = nullptr;
    QAbstractButton* button = nullptr;
    switch (control.kind) {
      case ControlKind::PushButton:
      case ControlKind::DefaultPushButton: {
        auto* push = new QPushButton(captionOf(control), host);
        if (control.kind == ControlKind::DefaultPushButton) {
          defaultButton_ = control.id;
          // A dialog has one default button; a page's would take the frame's.
          if (qobject_cast<QDialog*>(host) != nullptr) push->setDefault(true);
        }
        button = push;
        break;
      }
      case ControlKind::CheckBox: button = new QCheckBox(captionOf(control), host); break;
      case ControlKind::RadioButton: {
        auto* radio = new QRadioButton(captionOf(control), host);
        // Buttons of one parent would all be one group; the template's group
        // marks say where each group starts.
        if (radioGroup == nullptr || (control.style & style::kGroup) != 0) radioGroup = new QButtonGroup(host);
        radioGroup->addButton(radio);
        button = radio;
        break;
      }
      case ControlKind::GroupBox: widget = new QGroupBox(captionOf(control), host); break;
      case ControlKind::Text: {
        auto* label = new QLabel(host);
        setUpText(label, control);
        widget = label;
        break;
      }
      case ControlKind::LinkText: {
        auto* link = new LinkText(host);
        setUpText(link, control);
        const int id = control.id;
        link->onActivated = [onCommand, id] { onCommand(id, kClicked); };
        widget = link;
        break;
      }
      case ControlKind::Picture: {
        auto* picture = new QLabel(host);
        picture->setAlignment(Qt::AlignCenter);
        if ((control.style & style::kSunken) != 0) picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        widget = picture;
        break;
      }
      case ControlKind::EtchedLine: {
        auto* line = new QFrame(host);
        line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        widget = line;
        break;
      }
      case ControlKind::ListBox: {
        auto* list = new ListBox(host, (control.style & style::kExtendedSelection) != 0);
        const int id = control.id;
        QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, list,
                         [onCommand, id] { onCommand(id, kSelectionChanged); });
        widget = list;
        break;
      }
      case ControlKind::EditBox: {
        auto* edit = new QLineEdit(host);
        const int id = control.id;
        QObject::connect(edit, &QLineEdit::textChanged, edit, [onCommand, id] { onCommand(id, kEditChanged); });
        widget = edit;
        break;
      }
      case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(host);
        bar->setTextVisible(false);
        bar->setRange(0, 100);
        bar->setValue(0);
        widget = bar;
        break;
      }
    }
    if (button != nullptr) {
      const int id = control.id;
      QObject::connect(button, &QAbstractButton::clicked, button, [onCommand, id] { onCommand(id, kClicked); });
      widget = button;
    }

    QRect rect = mapDialogRect(control.rect, units);
    // An etched line of one dialog unit still needs its two pixel rows.
    if (control.kind == ControlKind::EtchedLine) rect.setHeight(std::max(rect.height(), 2));
    widget->setGeometry(rect);
    widget->setAccessibleName(control.accessibleName.empty() ? accessibleCaption(control.caption)
                                                             : accessibleCaption(control.accessibleName));
    if (control.id != kStaticId) {
      widget->setObjectName(QStringLiteral("control%1").arg(control.id));
      byId_[control.id] = widget;
    }
    if ((control.style & style::kDisabled) != 0) widget->setEnabled(false);
  }
}

QWidget* ControlSet::control(int id) const {
  const auto found = byId_.find(id);
  return found == byId_.end() ? nullptr : found->second;
}

ListBox* ControlSet::listBox(int id) const { return dynamic_cast<ListBox*>(control(id)); }

QProgressBar* ControlSet::progressBar(int id) const { return dynamic_cast<QProgressBar*>(control(id)); }

void ControlSet::enable(int id, bool enabled) const {
  if (QWidget* widget = control(id)) widget->setEnabled(enabled);
}

bool ControlSet::isEnabled(int id) const {
  const QWidget* widget = control(id);
  return widget != nullptr && !widget->testAttribute(Qt::WA_ForceDisabled);
}

void ControlSet::setText(int id, const QString& text) const {
  QWidget* widget = control(id);
  if (auto* button = dynamic_cast<QAbstractButton*>(widget)) {
    button->setText(text);
    // A screen reader says the new caption ("&Start over"), not the first.
    const QByteArray caption = text.toUtf8();
    button->setAccessibleName(
        accessibleCaption(std::string_view(caption.constData(), static_cast<std::size_t>(caption.size()))));
  } else if (auto* label = dynamic_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* edit = dynamic_cast<QLineEdit*>(widget)) {
    edit->setText(text);
    // A text the program puts in shows its beginning, as an edit box does.
    edit->setCursorPosition(0);
  } else if (auto* group = dynamic_cast<QGroupBox*>(widget)) {
    group->setTitle(text);
  }
}

QString ControlSet::text(int id) const {
  const QWidget* widget = control(id);
  if (const auto* button = dynamic_cast<const QAbstractButton*>(widget)) return button->text();
  if (const auto* label = dynamic_cast<const QLabel*>(widget)) return label->text();
  if (const auto* edit = dynamic_cast<const QLineEdit*>(widget)) return edit->text();
  if (const auto* group = dynamic_cast<const QGroupBox*>(widget)) return group->title();
  return {};
}

void ControlSet::setChecked(int id, bool checked) const {
  if (auto* button = dynamic_cast<QAbstractButton*>(control(id))) button->setChecked(checked);
}

bool ControlSet::isChecked(int id) const {
  const auto* button = dynamic_cast<const QAbstractButton*>(control(id));
  return button != nullptr && button->isChecked();
}

void ControlSet::setFocus(int id) const {
  if (QWidget* widget = control(id)) widget->setFocus(Qt::OtherFocusReason);
}

bool ControlSet::focusFirst() const {
  if (host_ == nullptr) return false;
  // Children come in creation order, which is the Tab order.
  for (QWidget* widget : host_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if ((widget->focusPolicy() & Qt::TabFocus) == 0 || !widget->isEnabled() || widget->isHidden()) continue;
    if (auto* radio = dynamic_cast<QRadioButton*>(widget); radio != nullptr && radio->group() != nullptr) {
      QAbstractButton* checked = radio->group()->checkedButton();
      if (checked != nullptr && checked->isEnabled()) widget = checked;
    }
    widget->setFocus(Qt::OtherFocusReason);
    return true;
  }
  return false;
}

bool ControlSet::hasFocus(int id) const {
  // The window's focus control, whether or not the window is active now.
  const QWidget* widget = control(id);
  return widget != nullptr && widget->window()->focusWidget() == widget;
}

void ControlSet::setTextColour(int id, const QColor& colour) const {
  QWidget* widget = control(id);
  if (widget == nullptr) return;
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::ButtonText, colour);
  widget->setPalette(palette);
}

void ControlSet::bindCheckBox(int id, bool& field) const {
  auto* box = dynamic_cast<QAbstractButton*>(control(id));
  if (box == nullptr) return;
  box->setChecked(field);
  QObject::connect(box, &QAbstractButton::toggled, box, [&field](bool checked) { field = checked; });
}

}  // namespace quillorn::ui
