#pragma once
// Page 5, Search results: the findings grouped by URL and proposal, one line
// per group ("DELETE (3 URL(s)): ...", "REPLACE (...) ... with ..."), and the
// decision on the selected line's whole group. Each showing fills the list
// anew from the entries' replacements, under the frame's lock and with the
// label reading "Press ESC to stop" (ESC keeps the lines made so far); the
// Hide "Delete" and Hide "Replace" boxes fill it again without the lines they
// hide. Selecting a line shows its value and "Use relative path"; Apply,
// Browse..., "Do not change" and a click on "Use relative path" write a new
// decision into every entry of the group and rebuild the line in place.
//
// The list's row is the group's number: lines are made in group order and a
// decision never moves one. Grouping, line texts and decisions are the
// core's (core/review), the same that `quillorn-cli` uses for its reports and
// decisions files.
//
// Hide "Replace" is off during a fill as well: a click on it would start a
// fill inside the running one.

#include <cstddef>
#include <vector>

#include "core/review/decisions.h"
#include "wizard/host/wizard_page.h"

namespace quillorn {
class UrlTable;
}

namespace quillorn::wizard {

class ResultsPage : public WizardPage {
 public:
  explicit ResultsPage(WizardHost& host);

 protected:
  void onShow(bool shown) override;
  void onCommand(int id, int code) override;

 private:
  void fillResults();
  void showSelection();
  void applyDecision();
  void browseReplacement();
  void doNotChange();
  // The group of the selected line, -1 when no line is selected.
  int selectedGroup() const;

  const UrlTable& urls_;  // the repair's, read here; changed only through its steps
  // What selecting each line shows, by group.
  std::vector<LineDecision> shown_;
};

}  // namespace quillorn::wizard
