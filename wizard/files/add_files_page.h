#pragma once
// Page 2, Add files: the file list of the site. Files come from the file
// chooser (several at once) and folders from the folder chooser, with or
// without their subfolders; entries go singly ("Remove") or all at once
// ("Remove all...", after a question). While an add runs the frame is locked,
// the counter reads "Press ESC to stop", and ESC ends the add keeping what was
// added. The list on screen mirrors the core's FileList, which does the adding.
//
// The two remove buttons are off while an add runs as well: the add counts on
// the entries it found when it began, so the list must not change under it.

#include <functional>
#include <vector>

#include "core/files/file_list.h"
#include "wizard/host/wizard_page.h"

namespace quillorn::wizard {

class AddFilesPage : public WizardPage {
 public:
  explicit AddFilesPage(WizardHost& host);

  void startOver() override;
  void firstPageShown() override;

 protected:
  void onShow(bool shown) override;
  void onCommand(int id, int code) override;

 private:
  void addFiles();
  void addFolders();
  void removeSelected();
  void removeAll();
  // Runs `add` between lockControls and unlockControls, then gives the focus
  // to `focusAfter` and refreshes the page.
  void runAdd(int focusAfter, const std::function<void(const StopPoll&)>& add);
  // Shows the entries the file list gained since the last call.
  void showNewEntries();
  // Next, the remove buttons and the counter, from the file list.
  void refresh();

  FileList& files_;
};

}  // namespace quillorn::wizard
