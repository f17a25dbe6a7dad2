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
#include "wizard/shell/frame.h"

namespace quillorn::wizard {

using namespace processing_ids;

ProcessingPage::ProcessingPage(Frame& frame)
    : ui::Page(&frame, dialogTemplate(kTemplate)),
      frame_(frame),
      panel_(controls(), {kStatusList, kFilesBar, ui::kStaticId, kStatusLine}, frame.stopKey()) {}

void ProcessingPage::onShow(bool shown) {
  if (shown) beginProcessing();
}

void ProcessingPage::onCommand(int, int code) {
  if (code == ui::kStartProcessingRequest) runProcessing();
}

void ProcessingPage::beginProcessing() {
  const ui::ControlSet& frameControls = frame_.controls();
  frameControls.setText(frame_ids::kNext, QStringLiteral("&Start over"));
  panel_.resetLines();
  frameControls.enable(frame_ids::kNext, false);
  frameControls.enable(frame_ids::kPrevious, false);
  const auto fileCount = static_cast<std::int64_t>(frame_.state().files.count());
  panel_.setOverallProgress(fileCount, 1);
  panel_.setPanelStatus(PanelStatus::Running, kRunningText);
  postCommand(static_cast<std::uint32_t>(ui::kStartProcessingRequest) << 16);
}

bool ProcessingPage::confirmStop() {
  const bool cancel =
      ui::desktop().ask(this, {QStringLiteral("Quillorn"), ui::displayText(kCancelQuestion), ui::MessageIcon::Question,
                               ui::MessageButtons::YesNo, ui::MessageAnswer::No}) == ui::MessageAnswer::Yes;
  // No also withdraws a close request that asked for the stop.
  if (!cancel) frame_.withdrawCloseRequest();
  return cancel;
}

void ProcessingPage::runProcessing() {
  // A request that arrives after the page was left (the frame closed before
  // it came) starts nothing.
  if (!isVisible()) return;
  WizardState& state = frame_.state();
  frame_.lockControls();
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
  const Outcome<RewritePassOutcome, DiskFailure> outcome = runRewritingPass(context);
  frame_.unlockControls();
  // The site is free again: the companion may restore it now.
  state.siteLock.release();

  if (!outcome.ok()) {
    showEmergencyQuit(ui::displayText(std::string(kDiskWritingError) + "\n\"" + outcome.error().file +
                                      "\" keeps its old content (" + platform::errorText(outcome.error().error) +
                                      "). The files before it were rewritten, the files after it were left as "
                                      "they were."));
    frame_.done(-1);
    return;
  }
  frame_.controls().enable(frame_ids::kNext, true);
  frame_.controls().setFocus(frame_ids::kNext);
}

}  // namespace quillorn::wizard
