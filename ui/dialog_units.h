#pragma once
// From dialog units to pixels. A dialog unit is a quarter of the dialog font's
// average character width across, an eighth of its height down; every
// rectangle of every template goes through mapDialogRect, so a window keeps its
// proportions with whatever font and screen it meets.

#include <QFont>
#include <QRect>
#include <QSize>

#include "ui/dialog_template.h"

namespace quillorn::ui {

struct BaseUnits {
  int x = 0;  // average width of the 52 letters A-Z, a-z, in pixels
  int y = 0;  // line height in pixels
};

// The font every template is laid out with: DejaVu Sans Condensed at 8
// points, whose base units at 96 dots per inch (6 x 13 pixels) are those of
// the Windows dialog font the templates were drawn for, so the pictures fill
// their controls as drawn (the nearest sans serif stands in where it is
// missing, and the layout follows its base units).
QFont dialogFont();

// The base units of `font`, rounded as the Windows dialog manager rounds them.
BaseUnits baseUnits(const QFont& font);

// The pixel rectangle of a rectangle in dialog units: each edge is mapped and
// rounded on its own, so controls that touch in dialog units touch on screen.
QRect mapDialogRect(const DialogRect& rect, BaseUnits units);

// The pixel size of a window's client area given in dialog units.
inline QSize mapDialogSize(int width, int height, BaseUnits units) {
  return mapDialogRect({0, 0, width, height}, units).size();
}

}  // namespace quillorn::ui
