#include "restorer/artwork.h"

#include <QPixmap>

#include "restorer/resources/hand_cursor.h"

namespace quillorn::restorer {

QImage bannerImage() { return QImage(QStringLiteral(":/ravelet/banner.bmp"), "BMP"); }

QIcon raveletIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/ravelet/icons/ravelet-%1.png").arg(size));
  }
  return icon;
}

QCursor handCursor() {
  return QCursor(QPixmap(QStringLiteral(":/ravelet/cursors/hand.png")), restorer_resources::kHandCursorHotSpotX,
                 restorer_resources::kHandCursorHotSpotY);
}

}  // namespace quillorn::restorer
