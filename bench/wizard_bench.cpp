// Times the wizard on a site, on Qt's offscreen platform: adding the site's
// folder with its subfolders on page 2, and page 4's search with the Internet
// check off, each started by its button as a person would, with every line,
// bar and repaint the window makes on the way.
//
//   quillorn-wizard-bench SITE_DIR
//
// Prints one line of figures; bench/wizard_bench.sh runs it beside
// `quillorn-cli scan` on the same site. The options go to a registry file in
// a temporary folder, never the user's.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/registry_file.h"
#include "ui/list_box.h"
#include "ui/scripted_desktop.h"
#include "wizard/resources/templates.h"
#include "wizard/shell/frame.h"

namespace wizard = quillorn::wizard;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillorn-wizard-bench SITE_DIR\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  const QTemporaryDir scratch;
  quillorn::ui::ScriptedDesktop desktop;
  desktop.folderAnswers.push_back({QString::fromLocal8Bit(argv[1])});

  quillorn::platform::RegistryFile registry(std::filesystem::path(scratch.path().toStdString()) / "registry.reg");
  wizard::WizardState state;
  const auto frame = wizard::openFrame(state, registry, "\\opt\\Quillorn\\Quillorn");
  if (frame == nullptr) return 1;
  frame->show();
  quillorn::ui::handleWaitingEvents();
  const auto frameButton = [&](int id) { return frame->controls().control(id); };

  quillorn::ui::press(frameButton(wizard::frame_ids::kNext));
  QElapsedTimer timer;
  timer.start();
  quillorn::ui::press(frame->page(1).controls().control(wizard::files_ids::kAddFolders));
  const double addSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

  quillorn::ui::press(frameButton(wizard::frame_ids::kNext));
  frame->page(2).controls().setChecked(wizard::options_ids::kCheckInternetUrls, false);
  timer.restart();
  quillorn::ui::press(frameButton(wizard::frame_ids::kNext));
  const double searchSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

  const quillorn::ui::ControlSet& search = frame->page(3).controls();
  std::printf("files %zu add_s %.3f search_s %.3f lines %d findings %zu status \"%s\"\n", state.files.count(),
              addSeconds, searchSeconds, search.listBox(wizard::search_ids::kStatusList)->count(), state.urls.count(),
              qPrintable(search.text(wizard::search_ids::kStatusLine)));
  return 0;
}
