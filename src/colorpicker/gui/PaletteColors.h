// The desktop's system colours as this program's palette shows them, so that
// an OLE reference such as &H8000000F (button face) resolves to what the user sees.
#pragma once

#include <QColor>

#include "colorpicker/SystemColors.h"

class QPalette;

namespace nimbo::colorpicker::gui {

SystemColorTable SystemColorsFromPalette(const QPalette& palette);

QColor ToQColor(RgbColor colour);
RgbColor FromQColor(const QColor& colour);

}  // namespace nimbo::colorpicker::gui
