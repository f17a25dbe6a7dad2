#include "wizard/rewrite/processing_page.h"

#include <string>

#include "core/rewrite/rewriting_pass.h"
#include "core/wording/rewriting_texts.h"
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
  const auto fileCount = static_cast<std::int64_t>(host().state().files.count());
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
  WizardState& state = host().state();
  host().lockControls();
  RewritePassContext context{state.settings,
                             state.files,
                             state.urls,
                             state.siteLock,
                             panel_,
                             [this] { return confirmStop(); },
                             [this, &state](const FileSkip& skip) {
                               const std::string& path = state.files.path(skip.index);
                               panel_.appendStatusLine("Not rewritten: \"" + platform::displayPath(path) + "\": " +
                                                       skipReasonText(skip.reason, skip.error, path, "search again"));
                             }};
  const RewritePassOutcome outcome = runRewritingPass(context);
  host().unlockControls();
  // The site is free again: the companion may restore it now.
  state.siteLock.release();

  if (outcome.state == RewriteState::DiskError) {
    host().quitAfterFatalError(ui::displayText(std::string(kDiskWritingError) + "\n\"" + outcome.failedFile +
                                               "\" keeps its old content (" + platform::errorText(outcome.error) +
                                               "). The files before it were rewritten, the files after it were left as "
                                               "they were."));
    return;
  }
  host().allowNext(true);
  host().focusNext();
}

}  // namespace quillorn::wizard
