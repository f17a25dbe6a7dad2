#pragma once
// Page 1, Welcome: the banner, a greeting and two links to the project's web
// site. Whenever it is shown it puts the frame's buttons back as they are at
// the start (Next reads "&Next >>" and is on, Previous is off), which is what
// Start over after the last page relies on.

#include "ui/template_window.h"

namespace quillorn::wizard {

class Frame;

class WelcomePage : public ui::Page {
 public:
  explicit WelcomePage(Frame& frame);

 protected:
  void onShow(bool shown) override;
  void onCommand(int id, int code) override;

 private:
  Frame& frame_;
};

}  // namespace quillorn::wizard
