#include "wizard/shell/entry.h"

#include <QApplication>

#include <memory>

#include "core/settings/settings.h"
#include "platform/internet_client.h"
#include "ui/text.h"
#include "wizard/shell/frame.h"
#include "wizard/shell/program_paths.h"

namespace quillorn::wizard {
namespace {

bool internetClientCanBeCreated() {
  platform::InternetClient client;
  const bool opened = client.open();
  client.close();
  return opened;
}

}  // namespace

std::string commandLineOf(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line.push_back(' ');
    line += argv[i];
  }
  return line;
}

int runWizard(WizardStart start) {
  platform::RegistryFile registry(start.registryFile);
  if (endsWithUninstallSwitch(start.commandLine)) {
    removeStoredSettings(registry);
    return 0;
  }

  std::unique_ptr<QApplication> application;
  if (QApplication::instance() == nullptr) application = std::make_unique<QApplication>(start.argc, start.argv);
  // The desktop entry that the window belongs to (its icon in the task bar).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.quillorn.Quillorn"));
  if (start.programFile.empty()) start.programFile = ui::pathTextOf(QCoreApplication::applicationFilePath());

  const bool internetClient =
      start.internetClientAvailable ? start.internetClientAvailable() : internetClientCanBeCreated();
  if (!internetClient) {
    showEmergencyQuit(
        QStringLiteral("Failed to start the Internet client \"libcurl\"!\n"
                       "Please install libcurl (the Debian package libcurl4) and try again!"));
    return -1;
  }

  Repair repair;
  const std::unique_ptr<Frame> frame = openFrame(repair, registry, start.programFile);
  if (frame == nullptr) return -1;
  if (start.whenShown) {
    QMetaObject::invokeMethod(
        frame.get(), [&] { start.whenShown(*frame); }, Qt::QueuedConnection);
  }
  return frame->exec();
}

}  // namespace quillorn::wizard
