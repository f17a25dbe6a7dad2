#pragma once
// A page of the wizard: a window-layer page that its host shows, with what
// the host tells every page besides showing and hiding it.

#include "ui/template_window.h"
#include "wizard/host/wizard_host.h"

namespace quillorn::wizard {

class WizardPage : public ui::Page {
 public:
  // A hidden child of the host's window, built from `dialog`.
  WizardPage(WizardHost& host, const ui::DialogTemplate& dialog) : ui::Page(host.pageParent(), dialog), host_(host) {}

  // Start over after the last page: the page empties what the run put into
  // its controls. The host empties the state's file list, site roots and
  // replacement URLs itself.
  virtual void startOver() {}
  // The first page was shown: at the start, after Previous and after Start
  // over.
  virtual void firstPageShown() {}

 protected:
  WizardHost& host() const { return host_; }

 private:
  WizardHost& host_;
};

}  // namespace quillorn::wizard
