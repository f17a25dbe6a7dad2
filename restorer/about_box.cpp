#include "restorer/about_box.h"

#include <QCloseEvent>

#include "restorer/artwork.h"
#include "restorer/resources/templates.h"
#include "ui/desktop.h"
#include "ui/template_window.h"

namespace quillorn::restorer {
namespace {

const QColor kVersionText{127, 31, 0};
const QColor kLinkText{0, 31, 191};
const QString kHomePage = QStringLiteral("quillorn.example.org");
const QString kMailAddress = QStringLiteral("team@quillorn.example.org");

class AboutBox : public ui::Dialog {
 public:
  explicit AboutBox(QWidget* owner) : ui::Dialog(owner, dialogTemplate(about_ids::kTemplate), false) {
    ui::paintOnButtonFace(this);
    controls().setTextColour(about_ids::kVersion, kVersionText);
    for (int link : {about_ids::kWebLink, about_ids::kMailLink, about_ids::kVisitLink}) {
      controls().control(link)->setCursor(handCursor());
      controls().setTextColour(link, kLinkText);
    }
    // OK has the focus and Enter presses it; Tab goes on to the links.
    controls().setFocus(about_ids::kOk);
  }

 protected:
  void onCommand(int id, int code) override {
    if (code != ui::kClicked) return;
    switch (id) {
      case about_ids::kWebLink:
      case about_ids::kVisitLink: ui::desktop().openAddress(QStringLiteral("http://") + kHomePage); break;
      case about_ids::kMailLink: ui::desktop().openAddress(QStringLiteral("mailto:") + kMailAddress); break;
      case about_ids::kOk: accept(); break;
      default: break;
    }
  }

  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    accept();
  }

  // Esc does not end the box.
  void reject() override {}
};

}  // namespace

void showAboutBox(QWidget* owner) {
  AboutBox box(owner);
  ui::runModal(box);
}

}  // namespace quillorn::restorer
