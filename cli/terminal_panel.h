#pragma once
// The command line's progress panel: status lines go to standard output as
// they come (or are kept for the JSON report), a progress line is drawn on
// standard error when it is a terminal and the run has taken a second, and
// Ctrl-C is the stop key.
//
// Known limits: the progress line is drawn only on a terminal, and only at
// the pass's reports (a file that takes long to read holds it still); the
// first Ctrl-C takes effect at the pass's next poll, and a second one ends
// the process at once.

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

// The progress line: a bar, the files done of all, `count` ("7 finding(s)",
// or empty) and the name of the file at work (UTF-8 for a terminal), cut
// from the left to its last 42 bytes, never inside a character:
// "[###...] 12/40 files, 7 finding(s) site/page.html".
std::string progressLine(std::int64_t done, std::int64_t total, std::string_view count, std::string_view name);

// What the progress line counts so far besides the files, and its noun:
// {"finding(s)", the count of the findings}.
struct ProgressCount {
  std::string noun;
  std::function<std::int64_t()> value;
};

class TerminalPanel : public ProgressPanel {
 public:
  // `echo` receives each status line as it is appended (nullptr: keep only);
  // it is standard output, whose being a terminal decides whether the bar
  // is cleared for each line.
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

  // The progress line counts `count` too, and is drawn only while a pass
  // goes over the `fileCount` files of the list (the search's opening step
  // reports no file count).
  void setProgressCount(std::int64_t fileCount, ProgressCount count);

  // Removes the progress line from the terminal.
  void clearBar();

 private:
  void drawBar();

  std::ostream* echo_;
  std::function<std::string(std::int64_t)> fileName_;
  std::vector<std::string> lines_;
  PanelStatus status_ = PanelStatus::Running;
  std::string statusText_;
  bool barEnabled_ = false;
  bool echoOnTerminal_ = false;  // the status lines go to a terminal (standard output is one)
  bool barShown_ = false;
  std::int64_t upper_ = 0;
  std::int64_t position_ = 0;
  std::int64_t fileCount_ = 0;  // 0: any upper bound is drawn
  ProgressCount count_;
  // The count as last asked for: it is asked at most once a redraw interval,
  // though the line is drawn again after each status line on a terminal.
  std::string countText_;
  std::chrono::steady_clock::time_point lastCount_{};
  // Nothing is drawn in the run's first second: a quick run leaves no trace.
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace quillorn::cli
