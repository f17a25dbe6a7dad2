#include "wizard/rewrite/processing_page.h"

#include <string>

#include "core/repair/repair.h"
#include "core/wording/rewriting_texts.h"
#include "core/wording/site_busy.h"
#include "core/wording/skip_reasons.h"
#include "platform/file_access.h"
#include "platform/host_path.h"
#include "ui/desktop.h"
#include "ui/text.h"
#include "wizard/resources/templates.h"

namespace quillorn::wizard {

using namespace processing_ids;

ProcessingPage::ProcessingPage(WizardHost& host)
    : WizardPage(host, dialogTemplate(kTemplate)),
      panel_(controls(), {kStatusList, kFilesBar, ui::kStaticId, kStatusLine}, host.stopKey()) {}

void ProcessingPage::onShow(bool shown) {
  if (shown) beginProcessing();
}

void ProcessingPage::onCommand(int, int code) {
  if (code == ui::kStartProcessingRequest) runProcessing();
}

void ProcessingPage::beginProcessing() {
  panel_.resetLines();
  host().allowNext(false);
  host().allowPrevious(false);
  const auto fileCount = static_cast<std::int64_t>(host().repair().files().count());
  panel_.setOverallProgress(fileCount, 1);
  panel_.setPanelStatus(PanelStatus::Running, kRunningText);
  postCommand(static_cast<std::uint32_t>(ui::kStartProcessingRequest) << 16);
}

bool ProcessingPage::confirmStop() {
  const bool cancel =
      ui::desktop().ask(this, {QStringLiteral("Quillorn"), ui::displayText(kCancelQuestion), ui::MessageIcon::Question,
                               ui::MessageButtons::YesNo, ui::MessageAnswer::No}) == ui::MessageAnswer::Yes;
  // No also withdraws a close request that asked for the stop.
  if (!cancel) host().withdrawCloseRequest();
  return cancel;
}

void ProcessingPage::runProcessing() {
  // A request that arrives after the page was left (the frame closed before
  // it came) starts nothing.
  if (!isVisible()) return;
  Repair& repair = host().repair();
  host().lockControls();
  const RepairOutcome<RewritePassOutcome> outcome = repair.rewrite(
      panel_, [this] { return confirmStop(); },
      [this, &repair](const FileSkip& skip) {
        const std::string& path = repair.files().path(skip.index);
        panel_.appendStatusLine("Not rewritten: \"" + platform::displayPath(path) +
                                "\": " + skipReasonText(skip.reason, skip.error, path, "search again"));
      });
  host().unlockControls();

  if (!outcome.ok() && outcome.error().code == RepairError::DiskFull) {
    host().quitAfterFatalError(ui::displayText(std::string(kDiskWritingError) + "\n\"" + outcome.error().path +
                                               "\" keeps its old content (" +
                                               platform::errorText(outcome.error().error) +
                                               "). The files before it were rewritten, the files after it were left as "
                                               "they were."));
    return;
  }
  if (!outcome.ok()) {
    // The site was given up since the search (it is held from the search on,
    // so this takes another run starting in between): nothing was written.
    ui::desktop().ask(this, {QStringLiteral("Quillorn"),
                             ui::displayText(siteRefusalText(outcome.error().path, outcome.error().error) +
                                             std::string(kNothingChangedText)),
                             ui::MessageIcon::Warning, ui::MessageButtons::Ok, ui::MessageAnswer::Ok});
  }
  host().allowNext(true);
  host().focusNext();
}

}  // namespace quillorn::wizard
