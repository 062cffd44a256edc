#include "colorpicker/ShadesStrip.h"

#include <algorithm>
#include <cmath>

namespace nimbo::colorpicker {

double ShadesRowValue(double y, int rows, std::int32_t max) {
  return (rows - y) / rows * max;
}

std::vector<RgbColor> ShadesRows(const ColorState& state, RgbColor sliderColour, bool drawFixed,
                                 int rows) {
  std::vector<RgbColor> out;
  if (rows <= 0) {
    return out;
  }
  out.reserve(static_cast<std::size_t>(rows));
  double h0 = 0.0;
  double l0 = 0.0;
  double s0 = 0.0;
  OleColor base = sliderColour;
  state.RGBToSystem(base, h0, l0, s0);
  const std::int32_t sel = state.SelectionParameter;
  const std::int32_t max = state.ParameterMax(sel);
  constexpr std::int32_t kGreyHue = 160;
  const bool greyHsl = !state.IsHsv() && !drawFixed && RoundClamped(s0, 0, 240) == 0;
  for (int row = 0; row < rows; ++row) {
    const double v = ShadesRowValue(row + 1, rows, max);
    RgbColor c = 0;
    switch (sel) {
      case kHue:
        c = drawFixed ? state.SystemToRGB(v, state.RefL, state.RefS) : state.SystemToRGB(v, l0, s0);
        // In HSL a grey reports hue 160; the strip marks that row in black.
        if (greyHsl && RoundClamped(v, INT32_MIN, INT32_MAX) == kGreyHue) {
          c = 0;
        }
        break;
      case kLuminance:
        c = state.SystemToRGB(h0, v, s0);
        break;
      case kSaturation:
        c = state.SystemToRGB(h0, l0, v);
        break;
      case kRed:
        c = drawFixed ? PackRgb(ToByte(v), 0, 0) : PackRgb(ToByte(v), state.G, state.B);
        break;
      case kGreen:
        c = drawFixed ? PackRgb(0, ToByte(v), 0) : PackRgb(state.R, ToByte(v), state.B);
        break;
      case kBlue:
        c = drawFixed ? PackRgb(0, 0, ToByte(v)) : PackRgb(state.R, state.G, ToByte(v));
        break;
      default:
        break;
    }
    out.push_back(c);
  }
  return out;
}

std::int32_t ShadesSliderValueAt(double y, int stripHeight, std::int32_t sliderMax) {
  const int rows = stripHeight - 2;
  if (rows <= 0) {
    return 0;
  }
  return sliderMax - RoundClamped(ShadesRowValue(std::floor(y), rows, sliderMax), 0, sliderMax);
}

int ArrowTipY(int boxHeight, int arrowHeight, std::int32_t min, std::int32_t max,
              std::int32_t value) {
  if (max <= min) {
    max = min + 1;
  }
  const double span = static_cast<double>(boxHeight - arrowHeight) / (max - min);
  return RoundClamped(span * (value - min) + arrowHeight / 2.0, INT32_MIN, INT32_MAX);
}

std::int32_t ArrowSliderValueAt(double y, int boxHeight, int arrowHeight, std::int32_t min,
                                std::int32_t max) {
  if (max <= min || boxHeight <= arrowHeight) {
    return min;
  }
  const double span = static_cast<double>(boxHeight - arrowHeight);
  return RoundClamped((y - arrowHeight / 2.0) / span * (max - min) + min, min, max);
}

}  // namespace nimbo::colorpicker
