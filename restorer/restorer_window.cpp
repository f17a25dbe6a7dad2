#include "restorer/restorer_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPixmap>

#include <cstddef>

#include "core/backup/backup_restorer.h"
#include "core/wording/backup_texts.h"
#include "restorer/about_box.h"
#include "restorer/artwork.h"
#include "restorer/resources/templates.h"
#include "ui/desktop.h"
#include "ui/text.h"
#include "ui/wait_cursor.h"

namespace quillorn::restorer {
namespace {

// The result box names this many of the backups it left; a longer list ends
// with how many more there are.
constexpr std::size_t kLeftNamedAtMost = 10;

}  // namespace

RestorerWindow::RestorerWindow() : ui::Dialog(nullptr, dialogTemplate(main_ids::kTemplate), true) {
  setWindowTitle(ui::kCompanionTitle);
  setWindowIcon(raveletIcon());
  if (auto* banner = dynamic_cast<QLabel*>(controls().control(main_ids::kBanner))) {
    banner->setPixmap(QPixmap::fromImage(bannerImage()));
  }
  controls().setText(main_ids::kExtension, QStringLiteral("bak"));
  controls().setChecked(main_ids::kSubfolders, true);
  controls().setChecked(main_ids::kRestore, true);
  announcer_ = std::make_unique<ui::WindowAnnouncer>(this, ui::kCompanionClass, ui::kCompanionMarker);
}

RestorerWindow::~RestorerWindow() = default;

void RestorerWindow::onCommand(int id, int code) {
  if (code != ui::kClicked) return;
  switch (id) {
    case main_ids::kBrowse: browse(); break;
    case main_ids::kProcess: process(); break;
    case main_ids::kAbout: showAboutBox(this); break;
    case main_ids::kExit: done(0); break;
    default: break;
  }
}

void RestorerWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  done(0);
}

void RestorerWindow::reject() {}

void RestorerWindow::browse() {
  const QStringList chosen = ui::desktop().chooseFolders(this, {QStringLiteral("Add Folder(s)"), QString()});
  if (!chosen.isEmpty()) controls().setText(main_ids::kFolder, chosen.front());
}

void RestorerWindow::process() {
  const QString folder = controls().text(main_ids::kFolder);
  if (folder.isEmpty()) return;
  const ui::MessageRequest question{ui::kCompanionTitle, QStringLiteral("Are You sure? Is everything correct?"),
                                    ui::MessageIcon::Question, ui::MessageButtons::YesNo, ui::MessageAnswer::Yes};
  if (ui::desktop().ask(this, question) != ui::MessageAnswer::Yes) return;

  BackupRun run;
  run.folder = ui::pathTextOf(folder);
  run.extension = controls().text(main_ids::kExtension).toStdString();
  run.subfolders = controls().isChecked(main_ids::kSubfolders);
  run.deleteBackups = !controls().isChecked(main_ids::kRestore);
  const Outcome<BackupOutcome, BackupFailure> restored = [&run] {
    const ui::WaitCursor wait;
    return runBackupRestore(run);
  }();
  if (!restored.ok()) {
    showOutcome(ui::displayText(backupFailureText(restored.error())), ui::MessageIcon::Error);
    return;
  }
  const BackupOutcome& outcome = restored.value();
  // The count line first; the backups left, each with its reason, below it.
  const QString text = ui::displayText(backupReportText(outcome, kLeftNamedAtMost));
  showOutcome(text, outcome.left.empty() ? ui::MessageIcon::Information : ui::MessageIcon::Warning);
}

void RestorerWindow::showOutcome(const QString& text, ui::MessageIcon icon) {
  ui::desktop().ask(this, {ui::kCompanionTitle, text, icon, ui::MessageButtons::Ok, ui::MessageAnswer::Ok});
}

}  // namespace quillorn::restorer
