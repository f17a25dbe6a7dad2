#pragma once
// What a page of the wizard asks of the window that shows it: the repair the
// pages share for the run, Previous and Next, the stop key and the lock of
// long operations, and the end of the program after a fatal error. The frame
// is the one host; a page knows it only through this, and nothing of the
// other pages.

#include "core/repair/repair.h"

class QString;
class QWidget;

namespace quillorn::ui {
class StopKey;
}

namespace quillorn::wizard {

class WizardHost {
 public:
  virtual ~WizardHost() = default;

  // The repair the pages show and fill: its options, file list, tables and
  // steps, one for the whole run.
  virtual Repair& repair() = 0;
  // The window the pages are children of.
  virtual QWidget* pageParent() = 0;

  // Whether Next and Previous may be pressed; a page sets them when it is
  // shown and when its work ends.
  virtual void allowNext(bool allowed) = 0;
  virtual void allowPrevious(bool allowed) = 0;
  virtual void focusNext() = 0;
  virtual void focusPrevious() = 0;
  virtual bool nextHasFocus() const = 0;

  // ESC between two units of a long operation (see ui/stop_key.h).
  virtual ui::StopKey& stopKey() = 0;
  // Around every long operation of a page, always as a pair.
  virtual void lockControls() = 0;
  virtual void unlockControls() = 0;
  // Withdraws a close request made while an operation runs (its stop
  // question was answered No): the operation goes on and the window stays.
  virtual void withdrawCloseRequest() = 0;

  // Shows `text` in the fatal error box and ends the program with -1.
  virtual void quitAfterFatalError(const QString& text) = 0;
};

}  // namespace quillorn::wizard
