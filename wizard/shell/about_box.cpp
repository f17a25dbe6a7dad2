#include "wizard/shell/about_box.h"

#include "ui/desktop.h"
#include "ui/template_window.h"
#include "wizard/resources/pictures.h"
#include "wizard/resources/templates.h"
#include "wizard/resources/text_colours.h"
#include "wizard/shell/frame.h"

namespace quillorn::wizard {
namespace {

class AboutBox : public ui::Dialog {
 public:
  explicit AboutBox(Frame& frame) : ui::Dialog(&frame, dialogTemplate(about_ids::kTemplate), false) {
    ui::paintOnButtonFace(this);
    for (int link : {about_ids::kWebLink, about_ids::kMailLink}) controls().control(link)->setCursor(handCursor());
    for (int id : {about_ids::kCredits, about_ids::kWebLabel, about_ids::kMailLabel}) {
      controls().setTextColour(id, kBlackText);
    }
    controls().setTextColour(about_ids::kWebLink, kAboutLinkText);
    controls().setTextColour(about_ids::kMailLink, kAboutLinkText);
    controls().setTextColour(about_ids::kMotto, kDarkGreenText);
    // OK has the focus and Enter presses it; Tab goes on to the links.
    controls().setFocus(about_ids::kOk);
  }

 protected:
  void onCommand(int id, int code) override {
    if (code != ui::kClicked) return;
    switch (id) {
      case about_ids::kWebLink:
        ui::desktop().openAddress(QStringLiteral("http://") + controls().text(about_ids::kWebLink));
        break;
      case about_ids::kMailLink:
        ui::desktop().openAddress(QStringLiteral("mailto:") + controls().text(about_ids::kMailLink));
        break;
      case about_ids::kOk: accept(); break;
      default: break;
    }
  }
};

}  // namespace

void showAboutBox(Frame& frame) {
  AboutBox box(frame);
  ui::runModal(box);
}

}  // namespace quillorn::wizard
