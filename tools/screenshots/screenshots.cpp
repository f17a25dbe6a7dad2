// Takes a picture of each page of the wizard, of its About box and of
// Ravelet's window and About box, as a person sees them: the window is shown on an X server (tools/screenshots.sh
// starts a virtual one) and its pixels are read back from the screen.
//
//   quillorn-screenshots OUT_DIR SITE_DIR
//
// Page 2 adds SITE_DIR with its subfolders, page 3 turns the Internet check
// off, page 4 searches the site, page 5 shows the results, page 6 replaces
// deleted images with the site's images/paper.gif, and page 7 repairs the
// site (so SITE_DIR should be a copy). The options go to a registry file of
// its own in OUT_DIR's parent, never the user's.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <filesystem>

#include "restorer/resources/templates.h"
#include "restorer/restorer_window.h"
#include "ui/scripted_desktop.h"
#include "wizard/resources/templates.h"
#include "wizard/shell/entry.h"
#include "wizard/shell/frame.h"

namespace {

using quillorn::wizard::Frame;
namespace frame_ids = quillorn::wizard::frame_ids;

bool shoot(QWidget* window, const QString& file) {
  window->activateWindow();
  // A list's scroll bar comes with a layout that its new lines ask for, and
  // reaches the screen a moment later: the window is given a fifth of a
  // second to settle, as a person's eye would.
  QElapsedTimer settling;
  settling.start();
  while (settling.elapsed() < 200) {
    quillorn::ui::handleWaitingEvents();
    QApplication::sync();
  }
  window->repaint();
  QApplication::sync();

  const QRect area = window->frameGeometry();
  const QPixmap shot = window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  const bool saved = shot.save(file);
  std::fprintf(stderr, "screenshots: %s %s\n", qPrintable(file), saved ? "written" : "NOT written");
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: quillorn-screenshots OUT_DIR SITE_DIR\n");
    return 2;
  }
  QApplication application(argc, argv);
  const QDir out(QString::fromLocal8Bit(argv[1]));
  // The folder chooser answers with the site; every question with its default.
  quillorn::ui::ScriptedDesktop desktop;
  const QDir site(QDir(QString::fromLocal8Bit(argv[2])).absolutePath());
  desktop.folderAnswers.push_back({site.absolutePath()});

  bool allSaved = true;
  quillorn::wizard::WizardStart start;
  start.commandLine = "Quillorn";
  start.registryFile = std::filesystem::path(argv[1]).parent_path() / "screenshots-registry.reg";
  start.whenShown = [&](Frame& frame) {
    const auto frameButton = [&](int id) { return frame.controls().control(id); };
    allSaved &= shoot(&frame, out.filePath(QStringLiteral("page1-welcome.png")));

    quillorn::ui::press(frameButton(frame_ids::kNext));
    quillorn::ui::press(frame.page(1).controls().control(quillorn::wizard::files_ids::kAddFolders));
    allSaved &= shoot(&frame, out.filePath(QStringLiteral("page2-files.png")));

    quillorn::ui::press(frameButton(frame_ids::kNext));
    frame.page(2).controls().setChecked(quillorn::wizard::options_ids::kCheckInternetUrls, false);
    allSaved &= shoot(&frame, out.filePath(QStringLiteral("page3-options.png")));

    quillorn::ui::press(frameButton(frame_ids::kNext));
    allSaved &= shoot(&frame, out.filePath(QStringLiteral("page4-search.png")));

    quillorn::ui::press(frameButton(frame_ids::kNext));
    allSaved &= shoot(&frame, out.filePath(QStringLiteral("page5-results.png")));

    quillorn::ui::press(frameButton(frame_ids::kNext));
    const quillorn::ui::ControlSet& deletion = frame.page(5).controls();
    quillorn::ui::press(deletion.control(quillorn::wizard::deletion_ids::kImageReplace));
    desktop.fileAnswers.push_back({site.filePath(QStringLiteral("images/paper.gif"))});
    quillorn::ui::press(deletion.control(quillorn::wizard::deletion_ids::kImageBrowse));
    allSaved &= shoot(&frame, out.filePath(QStringLiteral("page6-deletion.png")));

    quillorn::ui::press(frameButton(frame_ids::kNext));  // the question's default answer is Yes
    allSaved &= shoot(&frame, out.filePath(QStringLiteral("page7-processing.png")));

    // The About box is modal: it is pictured and closed from inside its own loop.
    QTimer::singleShot(0, [&] {
      QWidget* about = QApplication::activeModalWidget();
      allSaved &= about != nullptr && shoot(about, out.filePath(QStringLiteral("about.png")));
      if (about != nullptr) about->close();
    });
    quillorn::ui::press(frameButton(frame_ids::kAbout));
    quillorn::ui::press(frameButton(frame_ids::kExit));
  };
  const int status = quillorn::wizard::runWizard(std::move(start));

  // Ravelet, set to restore the sample site's backups.
  quillorn::restorer::RestorerWindow ravelet;
  ravelet.controls().setText(quillorn::restorer::main_ids::kFolder,
                             QDir(QString::fromLocal8Bit(argv[2])).absolutePath());
  ravelet.show();
  allSaved &= shoot(&ravelet, out.filePath(QStringLiteral("ravelet.png")));
  QTimer::singleShot(0, [&] {
    QWidget* about = QApplication::activeModalWidget();
    allSaved &= about != nullptr && shoot(about, out.filePath(QStringLiteral("ravelet-about.png")));
    if (about != nullptr) about->close();
  });
  quillorn::ui::press(ravelet.controls().control(quillorn::restorer::main_ids::kAbout));
  return status == 0 && allSaved ? 0 : 1;
}
