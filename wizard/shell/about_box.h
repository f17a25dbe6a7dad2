#pragma once
// The About box: who made the program and how to reach them, with the web and
// mail addresses as links. Modal, owned by the frame; OK, Esc and the close
// button end it.

#include <QColor>

namespace quillorn::wizard {

class Frame;

// The colours of the wizard's texts on the button face.
inline const QColor kBlackText{0, 0, 0};
inline const QColor kDarkGreenText{0, 63, 0};
inline const QColor kWelcomeLinkText{31, 0, 191};
inline const QColor kAboutLinkText{0, 63, 191};

// Shows the About box and returns when it is closed.
void showAboutBox(Frame& frame);

}  // namespace quillorn::wizard
