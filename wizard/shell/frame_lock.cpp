#include "wizard/shell/frame_lock.h"

#include "ui/controls.h"
#include "wizard/resources/templates.h"
#include "wizard/shell/step_table.h"

namespace quillorn::wizard {
namespace {

struct LockedControl {
  int window;
  int id;
};

// In the order their states are remembered.
constexpr std::array<LockedControl, 15> kLockedControls = {{
    {FrameLock::kFrameWindow, frame_ids::kAbout},
    {FrameLock::kFrameWindow, frame_ids::kHelp},
    {FrameLock::kFrameWindow, frame_ids::kPrevious},
    {FrameLock::kFrameWindow, frame_ids::kNext},
    {FrameLock::kFrameWindow, frame_ids::kExit},
    {kFilesStep, files_ids::kAddFiles},
    {kFilesStep, files_ids::kAddFolders},
    {kFilesStep, files_ids::kIncludeSubfolders},
    {kResultsStep, results_ids::kHideDelete},
    {kResultsStep, results_ids::kReplacement},
    {kResultsStep, results_ids::kApply},
    {kResultsStep, results_ids::kBrowse},
    {kResultsStep, results_ids::kDoNotChange},
    {kResultsStep, results_ids::kUseRelativePath},
    {FrameLock::kFrameWindow, frame_ids::kCompanion},
}};

}  // namespace

void FrameLock::remember() {
  for (std::size_t i = 0; i < kLockedControls.size(); ++i) {
    const ui::ControlSet* controls = windows_(kLockedControls[i].window);
    remembered_[i] = controls != nullptr && controls->isEnabled(kLockedControls[i].id);
  }
  everRemembered_ = true;
}

void FrameLock::lockControls() {
  remember();
  for (const LockedControl& locked : kLockedControls) {
    if (const ui::ControlSet* controls = windows_(locked.window)) controls->enable(locked.id, false);
  }
  locked_ = true;
}

void FrameLock::unlockControls() {
  if (!everRemembered_) remember();
  for (std::size_t i = 0; i < kLockedControls.size(); ++i) {
    if (const ui::ControlSet* controls = windows_(kLockedControls[i].window)) {
      controls->enable(kLockedControls[i].id, remembered_[i]);
    }
  }
  locked_ = false;
}

}  // namespace quillorn::wizard
