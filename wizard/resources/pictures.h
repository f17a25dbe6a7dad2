#pragma once
// The wizard's pictures, built into the program as resources: the picture
// strip of each page and the Welcome banner (GIFs decoded by the core's own
// decoder, anew each time they are shown), the window icon and the hand
// cursor of the link texts. A picture that cannot be decoded shows nothing.

#include <QCursor>
#include <QIcon>
#include <QImage>

#include "core/pictures/page_picture.h"

namespace quillorn::ui {
class ControlSet;
}

namespace quillorn::wizard {

// The picture resource `id` (136 to 144) decoded, with black for a
// transparent index; an empty picture when it is missing or cannot be decoded.
bool loadPictureResource(int id, PagePicture& picture);

// A decoded picture as an image a control can show (rows top first).
QImage imageOf(const PagePicture& picture);

// Decodes the picture resource `id` into `picture` (the frame's one strip
// picture) and shows it in the frame's picture control; the strip is empty
// when the picture cannot be decoded.
void showStepPicture(const ui::ControlSet& frameControls, int id, PagePicture& picture);

// Blends the banner (mask 137, colour picture 144) onto `buttonFace` and sets
// it into the Welcome page's banner control.
void composeWelcomePicture(const ui::ControlSet& welcomeControls, const QColor& buttonFace);

// Icon group 116 at every size it comes in.
QIcon wizardIcon();

// The hand over link texts, with its hot spot at the finger's tip.
QCursor handCursor();

}  // namespace quillorn::wizard
