#pragma once
// The stop key of long operations. Work runs on the interface thread and calls
// poll() between units of work: poll handles the events waiting for the
// program, so windows repaint and controls answer, and reports a stop when ESC
// was pressed in the watched window while that window was the active one. ESC
// pressed in any other window, or while no operation polls, stops nothing; an
// ESC seen by poll goes no further (it does not also close or cancel
// anything). The program can ask for a stop itself (requestStop), which every
// later poll reports: the frame does that when it is closed while work runs.
//
// Events are handled at most once every pump interval (50 ms). Work that polls many
// times per millisecond would otherwise spend its time repainting; a person
// sees no difference, and a key press waits at most that long to be seen.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace quillorn::ui {

class StopKey : public QObject {
 public:
  static constexpr int kDefaultPumpIntervalMs = 50;

  // Watches `window` (the program's main window) for ESC.
  explicit StopKey(QWidget* window);
  ~StopKey() override;
  StopKey(const StopKey&) = delete;
  StopKey& operator=(const StopKey&) = delete;

  // Handles waiting events (when the last round is the pump interval ago) and
  // tells whether a stop was asked for since the last round.
  bool poll();

  // Tests set 0, so that every poll handles the events they posted.
  void setPumpInterval(int milliseconds) { pumpIntervalMs_ = milliseconds; }

  void requestStop() { requested_ = true; }
  // Withdraws a stop the program asked for; later polls report only ESC.
  void withdrawStop() { requested_ = false; }
  bool stopRequested() const { return requested_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
  QElapsedTimer sincePump_;
  int pumpIntervalMs_ = kDefaultPumpIntervalMs;
  bool pumping_ = false;
  bool escSeen_ = false;
  bool requested_ = false;
};

}  // namespace quillorn::ui
