#pragma once
// A page's progress panel: its status list, one or two progress bars and its
// status line, reached by their ids, behind the core's ProgressPanel, so the
// core's passes report to the window as they report to the command line.
// Lines are shown in the screen's text form and widen the list's horizontal
// extent by the lists' rule; the stop poll is the window's stop key.
//
// Nothing is repainted by force: lines, bars and the status line reach the
// screen with the next round of events, which the stop key runs every few
// tens of milliseconds while work polls. Bars show the last position asked
// for in each round.

#include <cstdint>
#include <string_view>

#include "core/model/progress_panel.h"
#include "ui/dialog_template.h"

namespace quillorn::ui {

class ControlSet;
class StopKey;

struct PanelIds {
  int statusList = kStaticId;
  int upperBar = kStaticId;
  int lowerBar = kStaticId;  // kStaticId: the panel has no lower bar
  int statusLine = kStaticId;
};

class PagePanel : public ProgressPanel {
 public:
  PagePanel(const ControlSet& controls, PanelIds ids, StopKey& stopKey);

  // Empties the status list and sets its horizontal extent to 0, as a page
  // does when it is shown again; bars and status line keep what they show.
  void resetLines();

  void appendStatusLine(std::string_view line) override;
  void setOverallProgress(std::int64_t upperBound, std::int64_t position) override;
  void setFileProgress(std::int64_t position, std::int64_t steps) override;
  void setPanelStatus(PanelStatus status, std::string_view text) override;
  bool pollStopRequest() override;

  // A bar's range (0 .. maximum) and position as last asked for.
  struct Bar {
    std::int64_t maximum = 100;
    std::int64_t position = 0;
  };

 private:
  // Moves the bars to their last asked positions when the events are next handled.
  void showBarsSoon();

  const ControlSet& controls_;
  PanelIds ids_;
  StopKey& stopKey_;
  Bar upper_;
  Bar lower_;
  bool barsPending_ = false;
};

}  // namespace quillorn::ui
