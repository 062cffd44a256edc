// Where the wheel's crosshair marker goes for a colour, and how it is drawn so
// that it stays visible on dark, mid and light colours.
#pragma once

#include <optional>

#include "colorpicker/ColorState.h"
#include "colorpicker/WheelRaster.h"

namespace nimbo::colorpicker {

// The pixel that shows the colour: placed from the wheel mapping's polar
// values, then moved to the nearest pixel within 10 whose shown colour matches
// best (ties go to the smaller dx, then dy). Nothing when no pixel near the
// place is on the disc (the marker stays).
std::optional<PointF> MarkerPosition(const WheelRaster& raster, const ColorState& state,
                                     OleColor colour);

enum class MarkerMode {
  Copy,          // the pen's colour
  InvertScreen,  // pen AND NOT screen: with a white pen, the inverse of the picture
};

struct MarkerStyle {
  RgbColor colour = 0;
  MarkerMode mode = MarkerMode::Copy;
  friend bool operator==(const MarkerStyle&, const MarkerStyle&) = default;
};

// luminance: of the current colour; insideRim: how far the marker lies inside
// the rim; armLength: the length of one marker arm (all in pixels).
MarkerStyle MarkerStyleFor(int luminance, double insideRim, double armLength);

}  // namespace nimbo::colorpicker
