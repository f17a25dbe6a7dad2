#include "wizard/search/search_page.h"

#include "core/rewrite/rewriting_pass.h"
#include "core/search/search_pass.h"
#include "platform/code_page.h"
#include "ui/desktop.h"
#include "ui/text.h"
#include "wizard/resources/templates.h"
#include "wizard/shell/frame.h"

namespace quillorn::wizard {

SearchPage::SearchPage(Frame& frame)
    : ui::Page(&frame, dialogTemplate(search_ids::kTemplate)),
      frame_(frame),
      panel_(controls(),
             {search_ids::kStatusList, search_ids::kFilesBar, search_ids::kFileBar, search_ids::kStatusLine},
             frame.stopKey()),
      context_{frame.state().settings,  frame.state().files,    frame.state().urls,
               frame.state().savedFrom, frame.state().internet, panel_} {}

void SearchPage::onShow(bool shown) {
  if (shown) beginSearch();
}

void SearchPage::onCommand(int, int code) {
  if (code == ui::kStartSearchRequest) runSearch();
}

void SearchPage::beginSearch() {
  panel_.resetLines();
  const ui::ControlSet& frameControls = frame_.controls();
  frameControls.enable(frame_ids::kNext, false);
  frameControls.enable(frame_ids::kPrevious, false);
  if (!lockSite()) {
    frameControls.enable(frame_ids::kPrevious, true);
    frameControls.setFocus(frame_ids::kPrevious);
    return;
  }
  if (!quillorn::beginSearch(context_)) {
    ui::desktop().ask(this, {QStringLiteral("Quillorn"), ui::displayText(kTooManyFilesMessage), ui::MessageIcon::Error,
                             ui::MessageButtons::Ok, ui::MessageAnswer::Ok});
    frameControls.enable(frame_ids::kPrevious, true);
    return;
  }
  postCommand(static_cast<std::uint32_t>(ui::kStartSearchRequest) << 16);
}

bool SearchPage::lockSite() {
  WizardState& state = frame_.state();
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
  frame_.lockControls();
  // A killed repair's leftovers go before the search reads the files.
  for (const std::filesystem::path& target : recoverInterruptedRewrites(context_.files, frame_.state().siteLock)) {
    panel_.appendStatusLine("Removed what an interrupted run left beside \"" +
                            platform::fromDisplayUtf8(target.string()) + "\"");
  }
  const SearchOutcome outcome = quillorn::runSearch(context_);
  frame_.unlockControls();

  const bool found = outcome.end == PassEnd::Done && context_.urls.count() > 0;
  const ui::ControlSet& frameControls = frame_.controls();
  frameControls.enable(frame_ids::kPrevious, true);
  frameControls.enable(frame_ids::kNext, found);
  frameControls.setFocus(found ? frame_ids::kNext : frame_ids::kPrevious);
}

}  // namespace quillorn::wizard
