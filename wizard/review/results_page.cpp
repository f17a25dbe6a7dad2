#include "wizard/review/results_page.h"

#include <QStringList>

#include "core/model/progress_panel.h"
#include "core/review/results.h"
#include "core/search/url_classifier.h"
#include "ui/desktop.h"
#include "ui/list_box.h"
#include "ui/stop_key.h"
#include "ui/text.h"
#include "ui/wait_cursor.h"
#include "wizard/resources/file_filters.h"
#include "wizard/resources/templates.h"

namespace quillorn::wizard {

using namespace results_ids;

namespace {

// The controls of " Replace with ", usable only while the list holds a line.
constexpr int kDecisionControls[] = {kBrowse, kDoNotChange, kReplacement, kApply, kUseRelativePath};

}  // namespace

ResultsPage::ResultsPage(WizardHost& host) : WizardPage(host, dialogTemplate(kTemplate)), urls_(host.repair().urls()) {}

void ResultsPage::onShow(bool shown) {
  if (shown) postCommand(static_cast<std::uint32_t>(ui::kStartResultsRequest) << 16);
}

void ResultsPage::onCommand(int id, int code) {
  if (code == ui::kStartResultsRequest) {
    // A request that arrives after the page was left starts nothing.
    if (!isVisible()) return;
    fillResults();
    host().allowNext(true);
    return;
  }
  if (id == kList && code == ui::kSelectionChanged) {
    showSelection();
    return;
  }
  if (code != ui::kClicked) return;
  switch (id) {
    case kHideDelete:
    case kHideReplace: fillResults(); break;
    case kApply:
    case kUseRelativePath: applyDecision(); break;
    case kBrowse: browseReplacement(); break;
    case kDoNotChange: doNotChange(); break;
    default: break;
  }
}

void ResultsPage::fillResults() {
  ui::ListBox* list = controls().listBox(kList);
  {
    const ui::WaitCursor wait;
    controls().enable(kHideReplace, false);
    host().lockControls();
    controls().setText(kCount, ui::displayText(kRunningText));
    shown_.clear();
    list->clear();
    list->setHorizontalExtent(0);

    const ResultsFill fill =
        host().repair().group(controls().isChecked(kHideDelete), controls().isChecked(kHideReplace),
                              [this] { return host().stopKey().poll(); });
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(fill.lines.size()));
    for (const ResultLine& line : fill.lines) {
      lines << ui::displayText(line.text);
      list->widenHorizontalExtent(lines.back());
    }
    list->appendLines(lines);
    shown_ = lineDecisions(urls_, fill.lines.size());
    list->selectRow(0);
    showSelection();
    controls().setText(
        kCount, fill.stopped ? ui::displayText(kStoppedText) : QStringLiteral("URLs found: %1").arg(fill.lines.size()));
    host().unlockControls();
    controls().enable(kHideReplace, true);
  }
  for (int id : kDecisionControls) controls().enable(id, !shown_.empty());
}

int ResultsPage::selectedGroup() const {
  const int row = controls().listBox(kList)->selectedRow();
  return row >= 0 && static_cast<std::size_t>(row) < shown_.size() ? row : -1;
}

void ResultsPage::showSelection() {
  const int group = selectedGroup();
  if (group < 0) return;
  const LineDecision& shown = shown_[static_cast<std::size_t>(group)];
  controls().setText(kReplacement, ui::displayText(shown.value));
  controls().setChecked(kUseRelativePath, shown.relativePath);
}

void ResultsPage::applyDecision() {
  const int group = selectedGroup();
  if (group < 0) return;
  const ui::WaitCursor wait;
  const bool relativePath = controls().isChecked(kUseRelativePath);
  const DecisionResult result =
      host().repair().decide(group, ui::workingTextOf(controls().text(kReplacement)), relativePath);
  // A text that cannot be made relative (an Internet URL, a relative path)
  // unchecks the box.
  if (relativePath && !result.relativePath) controls().setChecked(kUseRelativePath, false);
  if (result.count == 0) return;

  // The line keeps its place, and the list its scroll position and selection.
  ui::ListBox* list = controls().listBox(kList);
  list->setLine(group, ui::displayText(resultLineText(urls_.entry(result.lastEntry), result.count)));
  list->setHorizontalExtent(0);
  for (int row = 0; row < list->count(); ++row) list->widenHorizontalExtent(list->line(row));
  shown_ = lineDecisions(urls_, shown_.size());
}

void ResultsPage::browseReplacement() {
  const QStringList chosen = ui::desktop().chooseFiles(
      this,
      {QStringLiteral("Replace"), siteFileFilters(), ui::displayPath(host().repair().files().lastBrowseLocation)});
  if (chosen.isEmpty()) return;
  const std::string url = absoluteFileUrl(ui::pathTextOf(chosen.front()), "", false, kHostFileUrlStyle);
  controls().setText(kReplacement, ui::displayText(url));
  controls().setChecked(kUseRelativePath, true);
  applyDecision();
}

void ResultsPage::doNotChange() {
  const int group = selectedGroup();
  if (group < 0) return;
  controls().setText(kReplacement, ui::displayText(doNotChangeText(urls_, group)));
  applyDecision();
}

}  // namespace quillorn::wizard
