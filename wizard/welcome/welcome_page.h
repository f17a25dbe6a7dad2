#pragma once
// Page 1, Welcome: the banner, a greeting and two links to the project's web
// site. Whenever it is shown it puts the frame's buttons back as they are at
// the start (Next on, Previous off; the frame labels Next "&Next >>" again),
// which is what Start over after the last page relies on.

#include "wizard/host/wizard_page.h"

namespace quillorn::wizard {

class WelcomePage : public WizardPage {
 public:
  explicit WelcomePage(WizardHost& host);

 protected:
  void onShow(bool shown) override;
  void onCommand(int id, int code) override;
};

}  // namespace quillorn::wizard
