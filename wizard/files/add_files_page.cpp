#include "wizard/files/add_files_page.h"

#include "core/model/progress_panel.h"
#include "ui/desktop.h"
#include "ui/list_box.h"
#include "ui/stop_key.h"
#include "ui/text.h"
#include "ui/wait_cursor.h"
#include "wizard/resources/file_filters.h"
#include "wizard/resources/templates.h"

namespace quillorn::wizard {

using namespace files_ids;

AddFilesPage::AddFilesPage(WizardHost& host)
    : WizardPage(host, dialogTemplate(kTemplate)), files_(host.repair().files()) {
  controls().bindCheckBox(kIncludeSubfolders, host.repair().settings().includeSubfolders);
}

void AddFilesPage::startOver() { controls().listBox(kList)->clear(); }

void AddFilesPage::firstPageShown() {
  // The list scrolls sideways again only when an add or a removal widens it.
  controls().listBox(kList)->setHorizontalExtent(0);
}

void AddFilesPage::onShow(bool shown) {
  if (!shown) return;
  host().allowPrevious(true);
  refresh();
}

void AddFilesPage::onCommand(int id, int code) {
  if (code != ui::kClicked) return;
  switch (id) {
    case kAddFiles: addFiles(); break;
    case kAddFolders: addFolders(); break;
    case kRemove: removeSelected(); break;
    case kRemoveAll: removeAll(); break;
    default: break;
  }
}

void AddFilesPage::addFiles() {
  const std::vector<std::vector<std::string>> selections =
      ui::chooseFileSelections(this, {QStringLiteral("Add File(s)"), siteFileFilters(), QString()});
  if (selections.empty()) return;
  // A selection begins with its folder, or with the one file's path (whose
  // folder the lock takes).
  for (const std::vector<std::string>& selection : selections) {
    host().repair().addRoot({selection.front(), false});
  }
  runAdd(kAddFiles, [&](const StopPoll& pollStop) {
    for (const std::vector<std::string>& selection : selections) {
      files_.addSelectedFiles(selection, pollStop);
    }
  });
}

void AddFilesPage::addFolders() {
  const std::vector<std::string> folders = ui::chooseFolderPaths(this, {QStringLiteral("Add Folder(s)"), QString()});
  if (folders.empty()) return;
  const bool recurse = host().repair().settings().includeSubfolders;
  for (const std::string& folder : folders) host().repair().addRoot({folder, recurse});
  runAdd(kAddFolders, [&](const StopPoll& pollStop) {
    for (const std::string& folder : folders) {
      if (files_.addFolder(recurse, folder, pollStop) == PassEnd::Stopped) break;
    }
  });
}

void AddFilesPage::runAdd(int focusAfter, const std::function<void(const StopPoll&)>& add) {
  controls().setText(kCounter, ui::displayText(kRunningText));
  controls().enable(kRemove, false);
  controls().enable(kRemoveAll, false);
  host().lockControls();
  {
    const ui::WaitCursor wait;
    // A stop ends the whole add, also the selections or folders after it.
    bool stopped = false;
    add([this, &stopped] {
      showNewEntries();
      stopped = stopped || host().stopKey().poll();
      return stopped;
    });
    showNewEntries();
  }
  host().unlockControls();
  controls().setFocus(focusAfter);
  refresh();
}

void AddFilesPage::showNewEntries() {
  ui::ListBox* list = controls().listBox(kList);
  const auto shown = static_cast<std::size_t>(list->count());
  if (files_.count() <= shown) return;
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(files_.count() - shown));
  for (std::size_t i = shown; i < files_.count(); ++i) {
    lines << ui::displayPath(files_.path(i));
    list->widenHorizontalExtent(lines.back());
  }
  list->appendLines(lines);
  list->setCaret(list->count() - 1);
}

void AddFilesPage::removeSelected() {
  ui::ListBox* list = controls().listBox(kList);
  const std::vector<int> rows = list->selectedRows();
  if (rows.empty()) return;
  files_.removeSelected(std::vector<std::size_t>(rows.begin(), rows.end()));
  list->removeRows(rows);
  list->setHorizontalExtent(0);
  for (int row = 0; row < list->count(); ++row) list->widenHorizontalExtent(list->line(row));
  refresh();
}

void AddFilesPage::removeAll() {
  const ui::MessageRequest question{QStringLiteral("Remove All"),
                                    QStringLiteral("Do you really want to clear the list?"), ui::MessageIcon::Question,
                                    ui::MessageButtons::YesNo, ui::MessageAnswer::Yes};
  if (ui::desktop().ask(this, question) != ui::MessageAnswer::Yes) return;
  host().repair().clearList();
  ui::ListBox* list = controls().listBox(kList);
  list->clear();
  list->setHorizontalExtent(0);
  refresh();
}

void AddFilesPage::refresh() {
  const bool any = !files_.empty();
  // A button that goes off while it has the focus hands it to "Add file(s)".
  const bool nextHadFocus = host().nextHasFocus();
  host().allowNext(any);
  if (!any && nextHadFocus) controls().setFocus(kAddFiles);
  const bool removeHadFocus = controls().hasFocus(kRemove) || controls().hasFocus(kRemoveAll);
  controls().enable(kRemove, any);
  controls().enable(kRemoveAll, any);
  if (!any && removeHadFocus) controls().setFocus(kAddFiles);
  controls().setText(kCounter, QStringLiteral("File(s) added: %1").arg(files_.count()));
}

}  // namespace quillorn::wizard
