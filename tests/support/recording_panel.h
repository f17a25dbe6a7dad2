#pragma once
// A ProgressPanel for tests: keeps everything it is told and asks for a stop
// when the test says so.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/model/progress_panel.h"

namespace quillorn::test_support {

class RecordingPanel : public ProgressPanel {
 public:
  void appendStatusLine(std::string_view line) override;
  void setOverallProgress(std::int64_t upperBound, std::int64_t position) override;
  void setFileProgress(std::int64_t position, std::int64_t steps) override;
  void setPanelStatus(PanelStatus newStatus, std::string_view text) override;
  // Counts the poll, then asks for a stop when any of stopFromPoll,
  // stopAtPolls or stopWhen says so.
  bool pollStopRequest() override;

  // What the panel was told.
  std::vector<std::string> lines;
  std::vector<std::pair<std::int64_t, std::int64_t>> overallCalls;  // (upperBound, position), every call
  std::int64_t overallUpper = -1;                                   // the last call's, -1 before any
  std::int64_t overallPosition = -1;
  std::vector<std::pair<std::int64_t, std::int64_t>> fileCalls;  // (position, steps), every call
  std::int64_t filePosition = -1;                                // the last call's, -1 before any
  std::int64_t fileSteps = -1;
  std::optional<PanelStatus> status;
  std::string statusText = "Status";
  int polls = 0;

  // Called after each line is kept (the Internet check writes one before it
  // does anything else, so a test can act at that moment).
  std::function<void()> onLine;
  // Stops: from this poll on (0: never), at exactly these polls, or when the
  // predicate holds at a poll.
  int stopFromPoll = 0;
  std::set<int> stopAtPolls;
  std::function<bool(const RecordingPanel&)> stopWhen;
};

}  // namespace quillorn::test_support
