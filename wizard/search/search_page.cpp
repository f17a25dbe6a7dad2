#include "wizard/search/search_page.h"

#include "core/rewrite/rewriting_pass.h"
#include "core/search/search_pass.h"
#include "platform/code_page.h"
#include "ui/desktop.h"
#include "ui/text.h"
#include "wizard/resources/templates.h"

namespace quillorn::wizard {

SearchPage::SearchPage(WizardHost& host)
    : WizardPage(host, dialogTemplate(search_ids::kTemplate)),
      panel_(controls(),
             {search_ids::kStatusList, search_ids::kFilesBar, search_ids::kFileBar, search_ids::kStatusLine},
             host.stopKey()),
      context_{host.state().settings,  host.state().files,    host.state().urls,
               host.state().savedFrom, host.state().internet, panel_} {}

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
  if (!quillorn::beginSearch(context_)) {
    ui::desktop().ask(this, {QStringLiteral("Quillorn"), ui::displayText(kTooManyFilesMessage), ui::MessageIcon::Error,
                             ui::MessageButtons::Ok, ui::MessageAnswer::Ok});
    host().allowPrevious(true);
    return;
  }
  postCommand(static_cast<std::uint32_t>(ui::kStartSearchRequest) << 16);
}

bool SearchPage::lockSite() {
  WizardState& state = host().state();
  if (state.siteLock.held()) return true;
  if (state.siteLock.acquire(state.siteRoots) == SiteLock::Status::Taken) return true;
  const QString folder = QString::fromLocal8Bit(state.siteLock.busyFolder().c_str());
  controls().setText(search_ids::kStatusLine, QStringLiteral("Not searched: another run is working on the site"));
  ui::desktop().ask(this, {QStringLiteral("Quillorn"),
                           QStringLiteral("Another run is working on \"%1\" or a folder in it.\n"
                                          "Nothing was searched. Try again when it has finished.")
                               .arg(folder),
                           ui::MessageIcon::Warning, ui::MessageButtons::Ok, ui::MessageAnswer::Ok});
  return false;
}

void SearchPage::runSearch() {
  // A request that arrives after the page was left (the frame closed before
  // it came) starts nothing.
  if (!isVisible()) return;
  host().lockControls();
  // A killed repair's leftovers go before the search reads the files.
  for (const std::filesystem::path& target : recoverInterruptedRewrites(context_.files, host().state().siteLock)) {
    panel_.appendStatusLine("Removed what an interrupted run left beside \"" +
                            platform::fromDisplayUtf8(target.string()) + "\"");
  }
  const SearchOutcome outcome = quillorn::runSearch(context_);
  host().unlockControls();

  const bool found = outcome.state == SearchState::Done && context_.urls.count() > 0;
  host().allowPrevious(true);
  host().allowNext(found);
  if (found) {
    host().focusNext();
  } else {
    host().focusPrevious();
  }
}

}  // namespace quillorn::wizard
