#include "wizard/review/deletion_page.h"

#include <array>
#include <string>

#include "core/search/url_classifier.h"
#include "core/settings/settings.h"
#include "ui/desktop.h"
#include "ui/text.h"
#include "wizard/resources/file_filters.h"
#include "wizard/resources/templates.h"

namespace quillorn::wizard {

using namespace deletion_ids;

namespace {

// A radio button of the page and the choice it stands for.
struct ChoiceButton {
  int id;
  DeletionChoice Settings::*field;
  DeletionChoice choice;
};

constexpr std::array<ChoiceButton, 10> kChoiceButtons = {{
    {kTextKeep, &Settings::textLinkAction, DeletionChoice::Keep},
    {kTextConvert, &Settings::textLinkAction, DeletionChoice::ConvertToText},
    {kTextEmpty, &Settings::textLinkAction, DeletionChoice::MakeEmpty},
    {kImageKeep, &Settings::imageUrlAction, DeletionChoice::Keep},
    {kImageEmpty, &Settings::imageUrlAction, DeletionChoice::MakeEmpty},
    {kImageReplace, &Settings::imageUrlAction, DeletionChoice::ReplaceWithUrl},
    {kBackgroundKeep, &Settings::backgroundUrlAction, DeletionChoice::Keep},
    {kBackgroundEmpty, &Settings::backgroundUrlAction, DeletionChoice::MakeEmpty},
    {kBackgroundReplace, &Settings::backgroundUrlAction, DeletionChoice::ReplaceWithUrl},
    {kOtherKeep, &Settings::otherUrlAction, DeletionChoice::Keep},
}};

// An edit box of a fixed replacement URL, the radio button that puts it to
// use, its Browse button and the option it holds.
struct ReplacementUrl {
  int url;
  int replace;
  int browse;
  std::string Settings::*field;
};

constexpr std::array<ReplacementUrl, 2> kReplacementUrls = {{
    {kImageUrl, kImageReplace, kImageBrowse, &Settings::imageReplacementUrl},
    {kBackgroundUrl, kBackgroundReplace, kBackgroundBrowse, &Settings::backgroundReplacementUrl},
}};

}  // namespace

DeletionPage::DeletionPage(WizardHost& host) : WizardPage(host, dialogTemplate(kTemplate)) {
  Settings& settings = host.repair().settings();
  for (const ChoiceButton& button : kChoiceButtons) {
    if (settings.*button.field == button.choice) controls().setChecked(button.id, true);
  }
  for (const ReplacementUrl& box : kReplacementUrls) controls().setText(box.url, ui::displayText(settings.*box.field));
  controls().bindCheckBox(kRelativePaths, settings.deletionRelativePaths);
  controls().bindCheckBox(kMakeBackups, settings.makeBackups);
  if (QWidget* other = controls().control(kOtherEmptyOrDelete)) {
    other->setToolTip(
        QStringLiteral("Frames, script strings and style-sheet url( ) addresses are never changed when a link is "
                       "deleted, so there is nothing to make empty or delete."));
  }
  enableReplacementUrls();
}

void DeletionPage::startOver() {
  for (const ReplacementUrl& box : kReplacementUrls) controls().setText(box.url, QString());
}

void DeletionPage::onCommand(int id, int code) {
  enableReplacementUrls();
  Settings& settings = host().repair().settings();
  for (const ChoiceButton& button : kChoiceButtons) {
    if (button.id == id && controls().isChecked(id)) settings.*button.field = button.choice;
  }
  for (const ReplacementUrl& box : kReplacementUrls) {
    if (id == box.url && code == ui::kEditChanged) settings.*box.field = ui::workingTextOf(controls().text(box.url));
    if (id == box.browse && code == ui::kClicked) browse(box.url);
  }
}

void DeletionPage::enableReplacementUrls() {
  for (const ReplacementUrl& box : kReplacementUrls) {
    const bool replacing = controls().isChecked(box.replace);
    controls().enable(box.url, replacing);
    controls().enable(box.browse, replacing);
  }
}

void DeletionPage::browse(int urlId) {
  const QStringList chosen = ui::desktop().chooseFiles(
      this,
      {QStringLiteral("Replace"), imageFileFilters(), ui::displayPath(host().repair().files().lastBrowseLocation)});
  if (chosen.isEmpty()) return;
  const std::string url = absoluteFileUrl(ui::pathTextOf(chosen.front()), "", false, kHostFileUrlStyle);
  controls().setText(urlId, ui::displayText(url));
}

}  // namespace quillorn::wizard
