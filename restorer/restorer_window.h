#pragma once
// Ravelet's one window: a folder (typed or chosen), the backups' extension,
// whether subfolders count, and whether the backups are put back over the
// files they were made from or deleted. Process asks once, then runs the
// core's restore on the tree (no input is taken meanwhile) and says how many
// backups it handled, or why it could not run. The window announces itself
// to the session with the companion marker, so the wizard can bring it to the
// front. Esc does nothing; Exit and the close button end the program.

#include <QString>

#include <memory>

#include "ui/companion.h"
#include "ui/desktop.h"
#include "ui/template_window.h"

class QCloseEvent;

namespace quillorn::restorer {

class RestorerWindow : public ui::Dialog {
 public:
  RestorerWindow();
  ~RestorerWindow() override;

 protected:
  void onCommand(int id, int code) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void browse();
  void process();
  void showOutcome(const QString& text, ui::MessageIcon icon);

  std::unique_ptr<ui::WindowAnnouncer> announcer_;
};

}  // namespace quillorn::restorer
