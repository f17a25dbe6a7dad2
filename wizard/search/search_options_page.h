#pragma once
// Page 3, Search properties: ten check boxes, each bound to its option, so a
// change takes effect at the next search and is saved on Exit. When shown,
// the page turns Next and Previous on and gives up the lock on the site that
// the search took.

#include <array>
#include <cstdint>

#include "core/settings/settings.h"
#include "ui/template_window.h"

namespace quillorn::wizard {

class Frame;

// A check box of the page and the option it shows.
struct OptionBox {
  int id;
  bool Settings::*field;
};

// The page's ten boxes.
const std::array<OptionBox, 10>& optionBoxes();

class SearchOptionsPage : public ui::Page {
 public:
  explicit SearchOptionsPage(Frame& frame);

 protected:
  void onShow(bool shown) override;

 private:
  Frame& frame_;
};

}  // namespace quillorn::wizard
