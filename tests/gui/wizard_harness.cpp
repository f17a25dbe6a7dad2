#include "tests/gui/wizard_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>

#include "platform/host_path.h"
#include "ui/controls.h"
#include "wizard/resources/templates.h"

namespace quillorn::test_support {

ui::MessageAnswer ScriptedDesktop::ask(QWidget*, const ui::MessageRequest& request) {
  asked.push_back(request);
  if (answers.empty()) return request.defaultAnswer;
  const ui::MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

QStringList ScriptedDesktop::chooseFiles(QWidget*, const ui::FileChooserRequest& request) {
  fileRequests.push_back(request);
  if (whileChoosing) whileChoosing();
  if (fileAnswers.empty()) return {};
  QStringList answer = fileAnswers.front();
  fileAnswers.pop_front();
  return answer;
}

QStringList ScriptedDesktop::chooseFolders(QWidget*, const ui::FolderChooserRequest&) {
  if (whileChoosing) whileChoosing();
  if (folderAnswers.empty()) return {};
  QStringList answer = folderAnswers.front();
  folderAnswers.pop_front();
  return answer;
}

void settle() {
  for (int round = 0; round < 3; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

void postEscape(QWidget* window) {
  QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
}

WizardHarness::WizardHarness(bool withCompanion, std::string programFile) {
  if (programFile.empty()) programFile = platform::toPathText(folder.write("Quillorn/Quillorn", "#!/bin/sh\n"));
  if (withCompanion) folder.write("Ravelet/Ravelet", "#!/bin/sh\n");
  frame = wizard::openFrame(state, registry, programFile);
  frame->stopKey().setPumpInterval(0);
  frame->show();
  frame->activateWindow();
  settle();
}

void WizardHarness::clickFrame(int id) const {
  if (auto* button = dynamic_cast<QAbstractButton*>(frameControls().control(id))) button->click();
  settle();
}

void WizardHarness::clickPage(int step, int id) const {
  if (auto* button = dynamic_cast<QAbstractButton*>(page(step).control(id))) button->click();
  settle();
}

void WizardHarness::addFolder(const std::filesystem::path& site) {
  desktop.folderAnswers.push_back({QString::fromStdString(site.string())});
  clickPage(1, wizard::files_ids::kAddFolders);
}

QString WizardHarness::title() const { return frame->windowTitle().mid(QStringLiteral("Quillorn - ").size()); }

}  // namespace quillorn::test_support
