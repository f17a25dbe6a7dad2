#include "wizard/shell/welcome_page.h"

#include "ui/desktop.h"
#include "ui/list_box.h"
#include "wizard/resources/pictures.h"
#include "wizard/resources/templates.h"
#include "wizard/resources/text_colours.h"
#include "wizard/shell/frame.h"
#include "wizard/shell/step_table.h"

namespace quillorn::wizard {

WelcomePage::WelcomePage(Frame& frame) : ui::Page(&frame, dialogTemplate(welcome_ids::kTemplate)), frame_(frame) {
  ui::paintOnButtonFace(this);
  composeWelcomePicture(controls(), palette().color(QPalette::Button));
  for (int link : {welcome_ids::kNewsLink, welcome_ids::kGuideLink}) controls().control(link)->setCursor(handCursor());
  controls().setTextColour(welcome_ids::kGreeting, kBlackText);
  controls().setTextColour(welcome_ids::kNewsLink, kWelcomeLinkText);
  controls().setTextColour(welcome_ids::kGuideLink, kWelcomeLinkText);
}

void WelcomePage::onShow(bool shown) {
  if (!shown) return;
  const ui::ControlSet& frameControls = frame_.controls();
  frameControls.setText(frame_ids::kNext, QStringLiteral("&Next >>"));
  frameControls.enable(frame_ids::kNext, true);
  frameControls.enable(frame_ids::kPrevious, false);
  if (ui::ListBox* files = frame_.page(kFilesStep).controls().listBox(files_ids::kList)) files->setHorizontalExtent(0);
  update();
}

void WelcomePage::onCommand(int id, int code) {
  if (code != ui::kClicked) return;
  if (id == welcome_ids::kNewsLink) ui::desktop().openAddress(QStringLiteral("http://quillorn.example.org/"));
  if (id == welcome_ids::kGuideLink) ui::desktop().openAddress(QStringLiteral("http://quillorn.example.org/guide"));
}

}  // namespace quillorn::wizard
