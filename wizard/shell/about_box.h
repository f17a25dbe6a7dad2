#pragma once
// The About box: who made the program and how to reach them, with the web and
// mail addresses as links. Modal, owned by the frame; OK (the default button,
// which has the focus when the box opens), Esc and the close button end it.

namespace quillorn::wizard {

class Frame;

// Shows the About box and returns when it is closed.
void showAboutBox(Frame& frame);

}  // namespace quillorn::wizard
