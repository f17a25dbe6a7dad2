#pragma once
// The colours of the wizard's texts on the button face: the Welcome page's
// greeting and links, and the About box's texts and links.

#include <QColor>

namespace quillorn::wizard {

inline const QColor kBlackText{0, 0, 0};
inline const QColor kDarkGreenText{0, 63, 0};
inline const QColor kWelcomeLinkText{31, 0, 191};
inline const QColor kAboutLinkText{0, 63, 191};

}  // namespace quillorn::wizard
