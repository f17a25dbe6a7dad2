#pragma once
// What the wizard's tests share: a desktop that answers at once and keeps
// what it was asked, and a frame opened on screen (offscreen) with a registry
// file and a program folder of the test's own.

#include <QString>
#include <QStringList>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry_file.h"
#include "tests/support/temp_folder.h"
#include "ui/desktop.h"
#include "wizard/shell/frame.h"
#include "wizard/shell/wizard_state.h"

namespace quillorn::test_support {

class ScriptedDesktop : public ui::Desktop {
 public:
  ScriptedDesktop() { ui::installDesktop(this); }
  ~ScriptedDesktop() override { ui::installDesktop(nullptr); }
  ScriptedDesktop(const ScriptedDesktop&) = delete;
  ScriptedDesktop& operator=(const ScriptedDesktop&) = delete;

  // Each answers from the front of its queue; an empty queue gives the
  // request's default answer, or cancels the chooser.
  ui::MessageAnswer ask(QWidget* owner, const ui::MessageRequest& request) override;
  QStringList chooseFiles(QWidget* owner, const ui::FileChooserRequest& request) override;
  QStringList chooseFolders(QWidget* owner, const ui::FolderChooserRequest& request) override;
  void openAddress(const QString& address) override { addresses << address; }
  void openHelp(const QString& address) override { helpAddresses << address; }
  void startProgram(const QString& hostPath) override { programs << hostPath; }

  std::deque<ui::MessageAnswer> answers;
  std::deque<QStringList> fileAnswers;
  std::deque<QStringList> folderAnswers;
  // Runs when a chooser is asked, before it answers.
  std::function<void()> whileChoosing;

  std::vector<ui::MessageRequest> asked;
  std::vector<ui::FileChooserRequest> fileRequests;
  QStringList addresses;
  QStringList helpAddresses;
  QStringList programs;
};

// Handles every waiting event, the pages' posted start requests included.
void settle();

// Posts an ESC press to `window`'s focus control, as the key would arrive.
void postEscape(QWidget* window);

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
  wizard::WizardState state;
  std::unique_ptr<wizard::Frame> frame;
};

}  // namespace quillorn::test_support
