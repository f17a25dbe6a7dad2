#pragma once
// The lock that long operations hold while they run: lockControls remembers
// the enable state of fifteen controls of the frame and its pages (navigation,
// Help, About, Exit, the companion button, page 2's add controls, page 5's
// decision controls) and disables them; unlockControls gives each the state
// remembered by the last lock. A control that was disabled before the lock is
// therefore disabled again after it, and a page that wants a frame button in
// another state after its work sets it after unlocking. Locks never nest.

#include <array>
#include <functional>
#include <utility>

namespace quillorn::ui {
class ControlSet;
}

namespace quillorn::wizard {

class FrameLock {
 public:
  // The window that holds a locked control: the frame, or a page by step.
  static constexpr int kFrameWindow = -1;
  using WindowControls = std::function<const ui::ControlSet*(int window)>;

  explicit FrameLock(WindowControls windows) : windows_(std::move(windows)) {}

  void lockControls();
  // Without an earlier lock this changes nothing.
  void unlockControls();
  // Between lockControls and unlockControls.
  bool locked() const { return locked_; }

 private:
  void remember();

  WindowControls windows_;
  std::array<bool, 15> remembered_{};
  bool everRemembered_ = false;
  bool locked_ = false;
};

}  // namespace quillorn::wizard
