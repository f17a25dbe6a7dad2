#include "ui/dialog_units.h"

#include <QFontMetrics>

namespace quillorn::ui {
namespace {

// a * b / c rounded half away from zero, for the non-negative values of a layout.
int mulDiv(int a, int b, int c) { return (a * b + c / 2) / c; }

}  // namespace

QFont dialogFont() {
  QFont font(QStringLiteral("DejaVu Sans Condensed"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  return font;
}

BaseUnits baseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect mapDialogRect(const DialogRect& rect, BaseUnits units) {
  const int left = mulDiv(rect.x, units.x, 4);
  const int top = mulDiv(rect.y, units.y, 8);
  const int right = mulDiv(rect.x + rect.width, units.x, 4);
  const int bottom = mulDiv(rect.y + rect.height, units.y, 8);
  return {left, top, right - left, bottom - top};
}

}  // namespace quillorn::ui
