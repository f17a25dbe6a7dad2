#include "wizard/resources/pictures.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>

#include <cstring>
#include <span>

#include "ui/controls.h"
#include "wizard/resources/hand_cursor.h"
#include "wizard/resources/templates.h"

namespace quillorn::wizard {
namespace {

constexpr int kBannerMask = 137;
constexpr int kBannerColour = 144;

void showImage(const ui::ControlSet& controls, int id, const QImage& image) {
  if (auto* picture = dynamic_cast<QLabel*>(controls.control(id))) {
    picture->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
  }
}

// `pixels` rows bottom first, `stride` bytes apart, as an image of `format` rows top first.
QImage bottomUpImage(const std::uint8_t* pixels, int width, int height, qsizetype stride, QImage::Format format) {
  QImage image(width, height, format);
  const auto rowBytes = static_cast<std::size_t>(std::min<qsizetype>(stride, image.bytesPerLine()));
  for (int row = 0; row < height; ++row) {
    std::memcpy(image.scanLine(row), pixels + static_cast<qsizetype>(height - 1 - row) * stride, rowBytes);
  }
  return image;
}

}  // namespace

bool loadPictureResource(int id, PagePicture& picture) {
  QFile file(QStringLiteral(":/pictures/%1.gif").arg(id));
  const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  const std::span<const std::uint8_t> resource(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                               static_cast<std::size_t>(bytes.size()));
  return loadGifPicture(resource, 0, picture);
}

QImage imageOf(const PagePicture& picture) {
  if (picture.width <= 0 || picture.height <= 0) return {};
  return bottomUpImage(picture.pixels.data(), picture.width, picture.height, picture.rowStride, QImage::Format_BGR888);
}

void showStepPicture(const ui::ControlSet& frameControls, int id, PagePicture& picture) {
  picture = {};
  loadPictureResource(id, picture);
  showImage(frameControls, frame_ids::kPicture, imageOf(picture));
}

void composeWelcomePicture(const ui::ControlSet& welcomeControls, const QColor& buttonFace) {
  PagePicture mask;
  PagePicture colour;
  BannerBitmap banner;
  const std::uint32_t face = static_cast<std::uint32_t>(buttonFace.blue()) << 16 |
                             static_cast<std::uint32_t>(buttonFace.green()) << 8 |
                             static_cast<std::uint32_t>(buttonFace.red());
  QImage image;
  if (loadPictureResource(kBannerMask, mask) && loadPictureResource(kBannerColour, colour) &&
      composeWelcomeBanner(mask, colour, face, banner)) {
    // Blue, green, red and a zero byte per pixel: the 32-bit RGB layout.
    image = bottomUpImage(banner.pixels.data(), banner.width, banner.height, qsizetype{4} * banner.width,
                          QImage::Format_RGB32);
  }
  showImage(welcomeControls, welcome_ids::kBanner, image);
}

QIcon wizardIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addFile(QStringLiteral(":/icons/quillorn-%1.png").arg(size));
  return icon;
}

QCursor handCursor() {
  return QCursor(QPixmap(QStringLiteral(":/cursors/hand.png")), wizard_resources::kHandCursorHotSpotX,
                 wizard_resources::kHandCursorHotSpotY);
}

}  // namespace quillorn::wizard
