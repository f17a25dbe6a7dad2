#pragma once
// The wizard's main window, the frame: the picture strip on the left, the page
// area in which one of the seven pages is visible, and six buttons along the
// bottom (About, Help, the companion, Previous, Next, Exit). The frame owns the
// order of the pages and moving between them (with the question before page 7
// and Start over after it), the window title, help (the button and F1), the
// companion button, the lock that long operations hold, and the end of the
// program: Exit and the close request save the options.
//
// Keys: Alt+N, Alt+P and Alt+X press Next, Previous and Exit while they are
// enabled, whatever the page's captions hold; after each change of page the
// focus is on the page's first control (on Next when it has none).
//
// A close request while an operation holds the lock does not end the program
// in the middle of it: the operation is asked to stop (as ESC would, between
// files) and the frame closes once the lock is released.

#include <QString>

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "core/pictures/page_picture.h"
#include "platform/registry_file.h"
#include "ui/stop_key.h"
#include "ui/template_window.h"
#include "wizard/host/wizard_host.h"
#include "wizard/host/wizard_page.h"
#include "wizard/shell/frame_lock.h"
#include "wizard/shell/step_table.h"

class QCloseEvent;

namespace quillorn::wizard {

class Frame : public ui::Dialog, public WizardHost {
 public:
  // `repair` holds the loaded options, which the pages show as they are made.
  // `programFile` is the path text of the program's own file; the help
  // address and the companion are found from its folder.
  Frame(Repair& repair, platform::RegistryFile& registry, std::string_view programFile);
  ~Frame() override;

  WizardPage& page(int step) const { return *pages_[static_cast<std::size_t>(step)]; }
  int currentStep() const { return currentStep_; }
  const std::string& programDirectory() const { return programDirectory_; }

  // The pages' host (wizard/host/wizard_host.h).
  Repair& repair() override { return repair_; }
  QWidget* pageParent() override { return this; }
  void allowNext(bool allowed) override;
  void allowPrevious(bool allowed) override;
  void focusNext() override;
  void focusPrevious() override;
  bool nextHasFocus() const override;
  ui::StopKey& stopKey() override { return stopKey_; }
  void lockControls() override;
  void unlockControls() override;
  void withdrawCloseRequest() override;
  void quitAfterFatalError(const QString& text) override;

  // The help address of the current page.
  std::string helpAddress() const;

 protected:
  void onCommand(int id, int code) override;
  void closeEvent(QCloseEvent* event) override;
  // Esc does nothing in the frame.
  void reject() override;

 private:
  void showStep();
  void previous();
  void next();
  // Empties the repair's file list and roots and the replacement URLs, and has
  // every page empty what the run put into it.
  void startOver();
  void startCompanion();
  // Saves the options and ends the frame, or, while an operation runs, asks
  // it to stop and closes when it has.
  void requestClose();

  Repair& repair_;
  platform::RegistryFile& registry_;
  std::string programDirectory_;
  std::string companionPath_;
  std::array<WizardPage*, kStepCount> pages_{};
  PagePicture stripPicture_;  // the picture strip's one picture
  int currentStep_ = 0;
  FrameLock lock_;
  ui::StopKey stopKey_;
  bool closePending_ = false;
  int focusChoices_ = 0;  // how often a page gave the focus to Previous or Next
};

// The fatal error box: title "Emergency Quit", the error icon, no owner.
// The caller then ends the program with -1.
void showEmergencyQuit(const QString& text);

// Loads the options into `repair` and makes the frame; nullptr (after the
// fatal error box) when the options' registry key cannot be opened.
std::unique_ptr<Frame> openFrame(Repair& repair, platform::RegistryFile& registry, std::string_view programFile);

}  // namespace quillorn::wizard
