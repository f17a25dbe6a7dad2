#include "wizard/welcome/welcome_page.h"

#include "ui/desktop.h"
#include "wizard/resources/pictures.h"
#include "wizard/resources/templates.h"
#include "wizard/resources/text_colours.h"

namespace quillorn::wizard {

WelcomePage::WelcomePage(WizardHost& host) : WizardPage(host, dialogTemplate(welcome_ids::kTemplate)) {
  ui::paintOnButtonFace(this);
  composeWelcomePicture(controls(), palette().color(QPalette::Button));
  for (int link : {welcome_ids::kNewsLink, welcome_ids::kGuideLink}) controls().control(link)->setCursor(handCursor());
  controls().setTextColour(welcome_ids::kGreeting, kBlackText);
  controls().setTextColour(welcome_ids::kNewsLink, kWelcomeLinkText);
  controls().setTextColour(welcome_ids::kGuideLink, kWelcomeLinkText);
}

void WelcomePage::onShow(bool shown) {
  if (!shown) return;
  host().allowNext(true);
  host().allowPrevious(false);
  update();
}

void WelcomePage::onCommand(int id, int code) {
  if (code != ui::kClicked) return;
  if (id == welcome_ids::kNewsLink) ui::desktop().openAddress(QStringLiteral("http://quillorn.example.org/"));
  if (id == welcome_ids::kGuideLink) ui::desktop().openAddress(QStringLiteral("http://quillorn.example.org/guide"));
}

}  // namespace quillorn::wizard
