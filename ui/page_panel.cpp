#include "ui/page_panel.h"

#include <QProgressBar>

#include <algorithm>
#include <limits>

#include "ui/controls.h"
#include "ui/list_box.h"
#include "ui/stop_key.h"
#include "ui/text.h"

namespace quillorn::ui {
namespace {

int clampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<int>::max()));
}

// Range 0 .. maximum at `position`. A range without room (maximum 0) shows an
// empty bar rather than the toolkit's busy animation; a position outside the
// range is held at its nearer end.
void setBar(QProgressBar* bar, const PagePanel::Bar& state) {
  if (bar == nullptr) return;
  const int top = std::max(clampToInt(state.maximum), 1);
  const int value = state.maximum <= 0 ? 0 : std::min(clampToInt(state.position), top);
  bar->setRange(0, top);
  bar->setValue(value);
}

}  // namespace

PagePanel::PagePanel(const ControlSet& controls, PanelIds ids, StopKey& stopKey)
    : controls_(controls), ids_(ids), stopKey_(stopKey) {}

void PagePanel::resetLines() {
  if (ListBox* list = controls_.listBox(ids_.statusList)) {
    list->clear();
    list->setHorizontalExtent(0);
  }
}

void PagePanel::appendStatusLine(std::string_view line) {
  ListBox* list = controls_.listBox(ids_.statusList);
  if (list == nullptr) return;
  const QString text = displayText(line);
  list->appendLine(text);
  list->setCaret(list->count() - 1);
  list->widenHorizontalExtent(text);
}

void PagePanel::setOverallProgress(std::int64_t upperBound, std::int64_t position) {
  upper_ = {upperBound, position};
  showBarsSoon();
}

void PagePanel::setFileProgress(std::int64_t position, std::int64_t steps) {
  lower_ = {steps - 1, position};
  showBarsSoon();
}

void PagePanel::showBarsSoon() {
  // A bar repaints itself, window flush included, whenever its value moves;
  // the passes move the bars many times between two rounds of events, and
  // only the last position of each round is ever seen.
  if (barsPending_) return;
  QWidget* context = controls_.control(ids_.upperBar);
  if (context == nullptr) return;
  barsPending_ = true;
  QMetaObject::invokeMethod(
      context,
      [this] {
        barsPending_ = false;
        setBar(controls_.progressBar(ids_.upperBar), upper_);
        setBar(controls_.progressBar(ids_.lowerBar), lower_);
      },
      Qt::QueuedConnection);
}

void PagePanel::setPanelStatus(PanelStatus, std::string_view text) {
  controls_.setText(ids_.statusLine, displayText(text));
}

bool PagePanel::pollStopRequest() { return stopKey_.poll(); }

}  // namespace quillorn::ui
