#include "wizard/search/search_page.h"

#include "core/repair/repair.h"
#include "core/search/search_pass.h"
#include "core/wording/rewriting_texts.h"
#include "core/wording/site_busy.h"
#include "platform/code_page.h"
#include "ui/desktop.h"
#include "ui/text.h"
#include "wizard/resources/templates.h"

namespace quillorn::wizard {

SearchPage::SearchPage(WizardHost& host)
    : WizardPage(host, dialogTemplate(search_ids::kTemplate)),
      panel_(controls(),
             {search_ids::kStatusList, search_ids::kFilesBar, search_ids::kFileBar, search_ids::kStatusLine},
             host.stopKey()) {}

void SearchPage::onShow(bool shown) {
  if (shown) beginSearch();
}

void SearchPage::onCommand(int, int code) {
  if (code == ui::kStartSearchRequest) runSearch();
}

void SearchPage::beginSearch() {
  panel_.resetLines();
  host().allowNext(false);
  host().allowPrevious(false);
  if (!lockSite()) {
    host().allowPrevious(true);
    host().focusPrevious();
    return;
  }
  if (!host().repair().prepareSearch(panel_).ok()) {
    ui::desktop().ask(this,
                      {QStringLiteral("Quillorn"), ui::displayText(tooManyFilesText(host().repair().files().count())),
                       ui::MessageIcon::Error, ui::MessageButtons::Ok, ui::MessageAnswer::Ok});
    host().allowPrevious(true);
    return;
  }
  postCommand(static_cast<std::uint32_t>(ui::kStartSearchRequest) << 16);
}

bool SearchPage::lockSite() {
  const RepairOutcome<Done> begun = host().repair().begin();
  if (begun.ok()) return true;
  controls().setText(search_ids::kStatusLine,
                     begun.error().error == 0 ? QStringLiteral("Not searched: another run is working on the site")
                                              : QStringLiteral("Not searched: the site's folders cannot be locked"));
  ui::desktop().ask(this, {QStringLiteral("Quillorn"),
                           ui::displayText(siteRefusalText(begun.error().path, begun.error().error) +
                                           std::string(kNothingSearchedText)),
                           ui::MessageIcon::Warning, ui::MessageButtons::Ok, ui::MessageAnswer::Ok});
  return false;
}

void SearchPage::runSearch() {
  // A request that arrives after the page was left (the frame closed before
  // it came) starts nothing.
  if (!isVisible()) return;
  host().lockControls();
  Repair& repair = host().repair();
  const SearchOutcome outcome = repair.runSearch(panel_, [this](const std::filesystem::path& target) {
    panel_.appendStatusLine(clearedLeftoversText(platform::fromDisplayUtf8(target.string())));
  });
  host().unlockControls();

  const bool found = outcome.end == PassEnd::Done && repair.urls().count() > 0;
  host().allowPrevious(true);
  host().allowNext(found);
  if (found) {
    host().focusNext();
  } else {
    host().focusPrevious();
  }
}

}  // namespace quillorn::wizard
