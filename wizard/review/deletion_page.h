#pragma once
// Page 6, Link deletion properties: what the rewriting does with a link whose
// decision is to delete it, by the kind of tag that holds it (text links,
// images, background images), whether a fixed replacement URL is made
// relative to each page, and whether backups are made. The page is the live
// view of those options: every radio button, box and edit box writes its
// option as it changes, and the rewriting reads them when it runs. They start
// as the defaults at every start of the program (nothing is stored); Start
// over empties the two replacement URLs and keeps the rest.
//
// An edit box and its Browse button are on exactly while the group's "Replace
// with URL:" is chosen. Browse puts the chosen file's absolute file:// URL
// into the box (file:///home/ann/site/a.gif on POSIX hosts).
//
// The " Other URLs and Links " group offers "Make empty or delete" switched
// off, with a tool tip that says why: the links no other group covers (frames,
// script strings, style-sheet url( )) are never changed by a deletion, so the
// choice would do nothing. "Do not change" is what always happens to them.

#include "wizard/host/wizard_page.h"

namespace quillorn::wizard {

class DeletionPage : public WizardPage {
 public:
  explicit DeletionPage(WizardHost& host);

  void startOver() override;

 protected:
  void onCommand(int id, int code) override;

 private:
  // Each edit box and its Browse button on exactly while its "Replace with
  // URL:" is chosen.
  void enableReplacementUrls();
  // Puts the chosen file's URL into the edit box `urlId`.
  void browse(int urlId);
};

}  // namespace quillorn::wizard
