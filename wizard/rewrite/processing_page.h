#pragma once
// Page 7, Processing broken URLs: the rewriting starts by itself when the page
// is shown (after the question on page 6), where the frame labels Next
// "&Start over". Showing the page turns Next and Previous off and posts the
// start request; the rewriting runs when the request arrives, under the
// frame's lock, and reports to the page's panel: one line per rewritten file,
// one per file left as it was (with the reason), the bar, and "Done (x of y
// URL(s) processed successfully)". ESC (or closing the window) asks whether
// to cancel, No being the default; Yes stops between two files. Afterwards
// "Start over" is on and has the focus, Previous stays off, and the lock on
// the site is given up.
//
// The pass is the core's (runRewritingPass), the one `quillorn-cli fix` runs,
// so both write the same files for the same decisions and options. A failure
// that would hit every file (a full disk) ends the pass; the program says
// which file kept its old content and ends with -1, as it does on every fatal
// error.

#include "ui/page_panel.h"
#include "wizard/host/wizard_page.h"

namespace quillorn::wizard {

class ProcessingPage : public WizardPage {
 public:
  explicit ProcessingPage(WizardHost& host);

 protected:
  void onShow(bool shown) override;
  void onCommand(int id, int code) override;

 private:
  void beginProcessing();
  void runProcessing();
  // The stop question; true means cancel.
  bool confirmStop();

  ui::PagePanel panel_;
};

}  // namespace quillorn::wizard
