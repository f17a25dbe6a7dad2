#pragma once
// Page 3, Search properties: ten check boxes, each bound to its option, so a
// change takes effect at the next search and is saved on Exit. Nothing else
// happens here; when shown, the page turns Next and Previous on.

#include "ui/template_window.h"

namespace quillorn::wizard {

class Frame;

class SearchOptionsPage : public ui::Page {
 public:
  explicit SearchOptionsPage(Frame& frame);

 protected:
  void onShow(bool shown) override;

 private:
  Frame& frame_;
};

}  // namespace quillorn::wizard
