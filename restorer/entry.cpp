#include "restorer/entry.h"

#include <QApplication>

#include <memory>

#include "restorer/restorer_window.h"

namespace quillorn::restorer {

int runRestorer(int argc, char** argv) {
  std::unique_ptr<QApplication> application;
  if (QApplication::instance() == nullptr) application = std::make_unique<QApplication>(argc, argv);
  // The desktop entry that the window belongs to (its icon in the task bar).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.quillorn.Ravelet"));
  RestorerWindow window;
  window.exec();
  return 0;
}

}  // namespace quillorn::restorer
