// The shades strip beside the wheel and the slider arrow that points at it:
// the strip's row colours, and the mapping between a row or an arrow position
// and the slider value (0 at the top, the parameter's maximum).
#pragma once

#include <cstdint>
#include <vector>

#include "colorpicker/ColorState.h"

namespace nimbo::colorpicker {

// The strip's rows lie at y = 1..rows (rows = its height - 2); the row at y
// shows (rows - y) / rows of the maximum, so the bottom row shows 0 and the
// top row one step below the maximum.
double ShadesRowValue(double y, int rows, std::int32_t max);

// The colours of the strip's rows, top row (y = 1) first.
std::vector<RgbColor> ShadesRows(const ColorState& state, RgbColor sliderColour, bool drawFixed,
                                 int rows);

// The slider value whose parameter is the value the row at y shows, rounded:
// picking is the exact inverse of the drawing. Above the rows it gives the
// maximum, below them 0.
std::int32_t ShadesSliderValueAt(double y, int stripHeight, std::int32_t sliderMax);

// The y of the arrow's tip in a box of boxHeight pixels. A range that is empty
// (max <= min) is widened to min..min + 1 first.
int ArrowTipY(int boxHeight, int arrowHeight, std::int32_t min, std::int32_t max,
              std::int32_t value);
// The slider value whose arrow tip lies at y, limited to min..max.
std::int32_t ArrowSliderValueAt(double y, int boxHeight, int arrowHeight, std::int32_t min,
                                std::int32_t max);

}  // namespace nimbo::colorpicker
