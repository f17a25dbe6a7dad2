#include "tests/gui/wizard_harness.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressBar>

#include <memory>

#include "platform/host_path.h"
#include "ui/controls.h"
#include "ui/list_box.h"
#include "wizard/resources/templates.h"

namespace quillorn::test_support {

void postEscape(QWidget* window, Qt::EventPriority priority) {
  QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier), priority);
}

void whenBrokenLinkPassRuns(const WizardHarness& harness, std::function<void()> action) {
  const ui::ControlSet& page = harness.page(3);
  ui::ListBox* list = page.listBox(wizard::search_ids::kStatusList);
  QProgressBar* fileBar = page.progressBar(wizard::search_ids::kFileBar);
  auto done = std::make_shared<bool>(false);
  QObject::connect(fileBar, &QProgressBar::valueChanged, fileBar, [list, action, done] {
    if (*done) return;
    for (int row = list->count() - 1; row >= 0; --row) {
      if (list->line(row) == ">> Searching for broken links...") {
        *done = true;
        action();
        return;
      }
    }
  });
}

WizardHarness::WizardHarness(bool withCompanion, std::string programFile) {
  if (programFile.empty()) programFile = platform::toPathText(folder.write("Quillorn/Quillorn", "#!/bin/sh\n"));
  if (withCompanion) folder.write("Ravelet/Ravelet", "#!/bin/sh\n");
  frame = wizard::openFrame(repair, registry, programFile);
  frame->stopKey().setPumpInterval(0);
  frame->show();
  frame->activateWindow();
  settle();
}

void WizardHarness::clickFrame(int id) const { ui::press(frameControls().control(id)); }

void WizardHarness::clickPage(int step, int id) const { ui::press(page(step).control(id)); }

void WizardHarness::addFolder(const std::filesystem::path& site) {
  desktop.folderAnswers.push_back({QString::fromStdString(site.string())});
  clickPage(1, wizard::files_ids::kAddFolders);
}

QString WizardHarness::title() const { return frame->windowTitle().mid(QStringLiteral("Quillorn - ").size()); }

}  // namespace quillorn::test_support
