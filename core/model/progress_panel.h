#pragma once
// What a long operation reports to, and asks whether to stop: the wizard's
// pages and the command line are two implementations of this one interface.
//
// Known limits: the panel is polled, never interrupted, so a stop takes effect
// at the next poll of the pass; it carries text and positions, not the
// findings themselves.

#include <cstdint>
#include <functional>
#include <string_view>

namespace quillorn {

enum class PanelStatus { Running, Done, Stopped };

class ProgressPanel {
 public:
  virtual ~ProgressPanel() = default;

  // Appends one line to the status list.
  virtual void appendStatusLine(std::string_view line) = 0;
  // The upper bar: range 0 .. upperBound, at `position`.
  virtual void setOverallProgress(std::int64_t upperBound, std::int64_t position) = 0;
  // The lower bar: range 0 .. steps - 1, at `position`.
  virtual void setFileProgress(std::int64_t position, std::int64_t steps) = 0;
  // The status line: its state and the text that goes with it ("Press ESC to
  // stop", "Done (...)", "Stopped").
  virtual void setPanelStatus(PanelStatus status, std::string_view text) = 0;
  // True when the user asked to stop since the last poll.
  virtual bool pollStopRequest() = 0;
};

// How a pass, or its work on one file, ended: run to its end, or stopped
// because the user asked to stop. Every pass ends in one of these; a failure
// that ends a pass is its Outcome's error (platform/outcome.h).
enum class PassEnd { Done, Stopped };

// Asked between units of work by what runs without a panel (the folder walk,
// the results list); true means the user asked to stop, as a panel's
// pollStopRequest() does.
using StopPoll = std::function<bool()>;

// How a pass ended and what it counted until then.
struct PassCount {
  PassEnd end = PassEnd::Done;
  std::int64_t count = 0;
};

// "Press ESC to stop" and "Stopped", the status texts every panel shares.
inline constexpr std::string_view kRunningText = "Press ESC to stop";
inline constexpr std::string_view kStoppedText = "Stopped";

}  // namespace quillorn
