#pragma once
// Page 4, Searching for broken URLs: the search starts by itself each time the
// page is shown. Showing the page empties its status list and the two tables,
// turns Next and Previous off and posts the start request; the search runs
// when the request arrives, once the page is on screen, under the frame's
// lock, and reports to the page's panel (status list, two bars, status line).
// ESC stops it between files. Afterwards Previous is on, and Next only when
// something needs attention; the focus goes to the one that leads on.
//
// The page shows the repair's own steps (core/repair/repair.h), the same the
// command line runs, so both give the same findings for the same options:
// it begins the repair (the lock on the site's folders, held on to the end of
// the rewriting or until Back leaves the search options), then searches,
// which first clears up what a killed repair left. When another run holds
// the site, nothing is searched and a message names the folder.

#include "ui/page_panel.h"
#include "wizard/host/wizard_page.h"

namespace quillorn::wizard {

class SearchPage : public WizardPage {
 public:
  explicit SearchPage(WizardHost& host);

 protected:
  void onShow(bool shown) override;
  void onCommand(int id, int code) override;

 private:
  void beginSearch();
  // Takes the site's lock unless it is held already; false (after saying so)
  // when another run holds it.
  bool lockSite();
  void runSearch();

  ui::PagePanel panel_;
};

}  // namespace quillorn::wizard
