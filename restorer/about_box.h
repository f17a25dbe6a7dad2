#pragma once
// Ravelet's About box: its version, who made it and how to reach them, the
// web and mail addresses as link texts with the program's hand cursor. Modal,
// owned by the main window; OK and the close button end it, Esc does not.

class QWidget;

namespace quillorn::restorer {

// Shows the About box and returns when it is closed.
void showAboutBox(QWidget* owner);

}  // namespace quillorn::restorer
