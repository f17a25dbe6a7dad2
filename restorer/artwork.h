#pragma once
// Ravelet's pictures, built into the program as resources (tools/artwork draws
// them): the banner bitmap 104, icon group 105 and the hand cursor 103 of the
// About box's link texts.

#include <QCursor>
#include <QIcon>
#include <QImage>

namespace quillorn::restorer {

// Bitmap 104, 338 x 49 pixels; a null image when it cannot be read.
QImage bannerImage();

// Icon group 105 at every size it comes in.
QIcon raveletIcon();

// The hand over link texts, with its hot spot at the finger's tip.
QCursor handCursor();

}  // namespace quillorn::restorer
