#pragma once
// Page 3, Search properties: twelve check boxes, each bound to its option, so a
// change takes effect at the next search and is saved on Exit. When shown,
// the page turns Next and Previous on and gives up the lock on the site that
// the search took.

#include <array>
#include <cstdint>

#include "core/settings/settings.h"
#include "wizard/host/wizard_page.h"

namespace quillorn::wizard {

// A check box of the page and the option it shows.
struct OptionBox {
  int id;
  bool Settings::*field;
};

// The page's twelve boxes.
const std::array<OptionBox, 12>& optionBoxes();

class SearchOptionsPage : public WizardPage {
 public:
  explicit SearchOptionsPage(WizardHost& host);

 protected:
  void onShow(bool shown) override;
};

}  // namespace quillorn::wizard
