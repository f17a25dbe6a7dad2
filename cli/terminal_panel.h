#pragma once
// The command line's progress panel: status lines go to standard output as
// they come (or are kept for the JSON report), a progress bar is drawn on
// standard error when it is a terminal, and Ctrl-C is the stop key.
//
// Known limits: the bar is drawn only on a terminal; the first Ctrl-C takes
// effect at the pass's next poll, and a second one ends the process at once.

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/progress_panel.h"

namespace quillorn::cli {

// Makes the first Ctrl-C a stop request instead of the end of the process; a
// second one ends it as usual.
void installStopKey();
bool stopRequested();

class TerminalPanel : public ProgressPanel {
 public:
  // `echo` receives each status line as it is appended (nullptr: keep only).
  // `fileName` names the file at an index of the list, for the progress bar.
  TerminalPanel(std::ostream* echo, std::function<std::string(std::int64_t)> fileName);
  ~TerminalPanel() override;

  void appendStatusLine(std::string_view line) override;
  void setOverallProgress(std::int64_t upperBound, std::int64_t position) override;
  void setFileProgress(std::int64_t position, std::int64_t steps) override;
  void setPanelStatus(PanelStatus status, std::string_view text) override;
  bool pollStopRequest() override;

  const std::vector<std::string>& lines() const { return lines_; }
  PanelStatus status() const { return status_; }
  const std::string& statusText() const { return statusText_; }

  // Removes the progress bar from the terminal.
  void clearBar();

 private:
  void drawBar(bool force);

  std::ostream* echo_;
  std::function<std::string(std::int64_t)> fileName_;
  std::vector<std::string> lines_;
  PanelStatus status_ = PanelStatus::Running;
  std::string statusText_;
  bool barEnabled_ = false;
  bool barShown_ = false;
  std::int64_t upper_ = 0;
  std::int64_t position_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace quillorn::cli
