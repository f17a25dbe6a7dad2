#pragma once
// The controls of one window, built from its template and reached by their
// numeric ids, with the handful of operations the pages perform on them
// (enable, check, caption, focus, colour). An id the window does not have
// reaches nothing: operations on it do nothing and queries answer false or
// empty, so a page can address a control that a later template provides.

#include <QColor>
#include <QString>

#include <cstdint>
#include <functional>
#include <unordered_map>

#include "ui/dialog_template.h"
#include "ui/dialog_units.h"

class QWidget;
class QProgressBar;

namespace quillorn::ui {

class ListBox;

// What a control tells its window's handler, beside its id.
inline constexpr int kClicked = 0;           // a button, check box, radio button or link text was pressed
inline constexpr int kSelectionChanged = 1;  // a list box's selected lines changed
inline constexpr int kEditChanged = 0x0300;  // an edit box's text changed

class ControlSet {
 public:
  using CommandHandler = std::function<void(int id, int code)>;

  // Creates every control of `dialog` as a child of `host`, in template order
  // (which is the Tab order), each placed by mapDialogRect with `units`, named
  // for screen readers, and reporting its clicks and changes to `onCommand`.
  void build(QWidget* host, const DialogTemplate& dialog, BaseUnits units, CommandHandler onCommand);

  // The template's default push button, kStaticId when it has none. In a
  // dialog box it is the button Enter presses; a page leaves the dialog's own
  // default as it is and presses its button itself (ui::Page).
  int defaultButton() const { return defaultButton_; }

  // nullptr when the window has no control `id`.
  QWidget* control(int id) const;
  ListBox* listBox(int id) const;
  QProgressBar* progressBar(int id) const;

  void enable(int id, bool enabled) const;
  // The control's own enable state (a hidden page does not disable it).
  bool isEnabled(int id) const;
  void setText(int id, const QString& text) const;
  QString text(int id) const;
  void setChecked(int id, bool checked) const;
  bool isChecked(int id) const;
  void setFocus(int id) const;
  // Gives the focus to the first control in Tab order that can take it (of a
  // group of radio buttons, the checked one); false when none can.
  bool focusFirst() const;
  // Whether `id` is its window's focus control, the window active or not.
  bool hasFocus(int id) const;
  void setTextColour(int id, const QColor& colour) const;

  // The check box `id` shows `field` from now on and writes each change back
  // at once, so the field always holds the box's current state.
  void bindCheckBox(int id, bool& field) const;

 private:
  QWidget* host_ = nullptr;
  std::unordered_map<int, QWidget*> byId_;
  int defaultButton_ = kStaticId;
};

}  // namespace quillorn::ui
