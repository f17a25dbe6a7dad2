#include "tests/support/recording_panel.h"

namespace quillorn::test_support {

void RecordingPanel::appendStatusLine(std::string_view line) {
  lines.emplace_back(line);
  if (onLine) onLine();
}

void RecordingPanel::setOverallProgress(std::int64_t upperBound, std::int64_t position) {
  overallCalls.emplace_back(upperBound, position);
  overallUpper = upperBound;
  overallPosition = position;
}

void RecordingPanel::setFileProgress(std::int64_t position, std::int64_t steps) {
  fileCalls.emplace_back(position, steps);
  filePosition = position;
  fileSteps = steps;
}

void RecordingPanel::setPanelStatus(PanelStatus newStatus, std::string_view text) {
  status = newStatus;
  statusText = std::string(text);
}

bool RecordingPanel::pollStopRequest() {
  ++polls;
  if (stopFromPoll != 0 && polls >= stopFromPoll) return true;
  if (stopAtPolls.count(polls) > 0) return true;
  return stopWhen && stopWhen(*this);
}

}  // namespace quillorn::test_support
