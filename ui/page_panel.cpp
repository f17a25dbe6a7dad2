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
void setBar(QProgressBar* bar, std::int64_t maximum, std::int64_t position) {
  if (bar == nullptr) return;
  const int top = clampToInt(maximum);
  if (top == 0) {
    bar->setRange(0, 1);
    bar->setValue(0);
    return;
  }
  bar->setRange(0, top);
  bar->setValue(std::min(clampToInt(position), top));
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
  setBar(controls_.progressBar(ids_.upperBar), upperBound, position);
}

void PagePanel::setFileProgress(std::int64_t position, std::int64_t steps) {
  setBar(controls_.progressBar(ids_.lowerBar), steps - 1, position);
}

void PagePanel::setPanelStatus(PanelStatus, std::string_view text) {
  controls_.setText(ids_.statusLine, displayText(text));
}

bool PagePanel::pollStopRequest() { return stopKey_.poll(); }

}  // namespace quillorn::ui
