#pragma once
// What the wizard's tests share: a desktop that answers at once and keeps
// what it was asked, and a frame opened on screen (offscreen) with a registry
// file and a program folder of the test's own.

#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/repair/repair.h"
#include "platform/registry_file.h"
#include "tests/support/temp_folder.h"
#include "ui/scripted_desktop.h"
#include "wizard/shell/frame.h"

// Texts in a test's failure message as a person reads them.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace quillorn::test_support {

using ui::ScriptedDesktop;

// Handles every waiting event, the pages' posted start requests included.
inline void settle() { ui::handleWaitingEvents(); }

struct WizardHarness;

// Posts an ESC press to `window`'s focus control, as the key would arrive.
// At low priority it queues behind the pages' posted start requests.
void postEscape(QWidget* window, Qt::EventPriority priority = Qt::NormalEventPriority);

// Calls `action` once, the first time the page 4 search's per-file bar moves
// after the broken-link pass has begun.
void whenBrokenLinkPassRuns(const WizardHarness& harness, std::function<void()> action);

struct WizardHarness {
  // Opens the frame for a program at `programFile` (path text; by default
  // <folder>/Quillorn/Quillorn), with the companion beside it or not.
  explicit WizardHarness(bool withCompanion = false, std::string programFile = {});

  const ui::ControlSet& frameControls() const { return frame->controls(); }
  const ui::ControlSet& page(int step) const { return frame->page(step).controls(); }
  // Presses a button of the frame or of the page of `step`, as a click would.
  void clickFrame(int id) const;
  void clickPage(int step, int id) const;
  // Adds `folder` on page 2 through its folder chooser (the frame must show page 2).
  void addFolder(const std::filesystem::path& folder);
  // The window title without "Quillorn - ".
  QString title() const;

  TempFolder folder{"quillorn-gui"};
  ScriptedDesktop desktop;
  platform::RegistryFile registry{folder.path() / "registry.reg"};
  Repair repair;
  std::unique_ptr<wizard::Frame> frame;
};

}  // namespace quillorn::test_support
