#pragma once
// Windows built from templates, each with the one handler the program gives
// it: a handler learns that its window was shown or hidden (onShow), that a
// control was pressed or changed (onCommand with the control's id and a
// code), and receives the requests the window posts to itself.
//
// A posted request (postCommand) carries a 32-bit word like a Windows command
// message: its low half arrives as the id, its high half as the code. It is
// queued behind every event already waiting, the window's painting among
// them, and the window is painted once more right before the handler sees the
// request (a request that comes before the window was first on screen waits
// for its first paint), so work started this way begins with the page on
// screen. The pages
// use it to start their long operations after they were shown.
//
// Page is a child window of a frame (hidden until the frame shows it);
// Dialog is a top-level dialog box (the frame itself, the About box).

#include <QDialog>
#include <QKeyEvent>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "ui/controls.h"
#include "ui/dialog_template.h"

namespace quillorn::ui {

// The high words of the requests that start a page's work once it is painted.
inline constexpr std::uint16_t kStartSearchRequest = 0xFFFF;      // page 4
inline constexpr std::uint16_t kStartResultsRequest = 0xFFFE;     // page 5
inline constexpr std::uint16_t kStartProcessingRequest = 0xFFFD;  // page 7

class TemplateWindow {
 public:
  virtual ~TemplateWindow() = default;

  const ControlSet& controls() const { return controls_; }
  int templateId() const { return templateId_; }

  // Queues a request to this window's handler (see above).
  void postCommand(std::uint32_t wParam);

 protected:
  // The window was shown (true) or hidden (false) by the program; a window
  // system's own showing and hiding (minimize, restore) is not reported.
  virtual void onShow(bool shown);
  // A control `id` reported `code` (kClicked, kEditChanged), or a posted
  // request arrived.
  virtual void onCommand(int id, int code);

  // Sizes `window` (this window) by its template and builds its controls.
  void buildControls(QWidget* window, const DialogTemplate& dialog);
  // Show and hide notifications and posted requests; true when handled.
  bool handleWindowEvent(QEvent* event);

 private:
  QWidget* window_ = nullptr;
  ControlSet controls_;
  std::vector<std::uint32_t> waitingForPaint_;
  int templateId_ = 0;
};

// A page: a child of the frame, the size of its template, hidden at first.
// Enter in a control of the page that does not take it itself presses the
// page's default button while that is on; otherwise it goes on to the frame,
// whose default button it presses.
class Page : public QWidget, public TemplateWindow {
 public:
  Page(QWidget* frame, const DialogTemplate& dialog);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// A dialog box: a top-level window with the template's client size and caption.
// Once Alt or Enter was pressed in it, it shows the focus mark on whatever
// has the focus (the style otherwise shows it only after Tab), and so do the
// boxes it opens with runModal.
class Dialog : public QDialog, public TemplateWindow {
 public:
  // `owner` null: a window of its own in the task bar. `minimizeBox` adds the
  // minimize button beside the close button.
  Dialog(QWidget* owner, const DialogTemplate& dialog, bool minimizeBox);
  ~Dialog() override;

  // Alt+`letter` (A to Z) presses the button `id` of this dialog whenever it is
  // enabled and shown, whatever other control of the dialog or of its pages
  // has the same letter in its caption; those keep the letter for when the
  // button is off. Letters that no button claims behave as usual: a letter
  // that one control has presses it, a letter that several share moves the
  // focus to the next of them.
  void claimMnemonic(int id, char letter);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct MnemonicClaim {
    int id;
    int key;  // Qt::Key_A to Qt::Key_Z
  };
  std::vector<MnemonicClaim> claims_;
};

// Runs `box` modally and gives its owner's window the keyboard focus back
// when it ends: without a window manager nobody else does, and the keys
// would go to no window until it is clicked.
int runModal(QDialog& box);

// Gives `window` the button-face colour as its background, the colour its
// texts are drawn on.
void paintOnButtonFace(QWidget* window);

}  // namespace quillorn::ui
