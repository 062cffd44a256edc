// Integer conversions between RGB and hue, luminance, saturation on a 0..240
// scale: the arithmetic of the desktop platform's own routines, used for the
// control's HSL colour system, every HSL pixel of the wheel and the HSL shades.
#pragma once

#include "colorpicker/ColorValue.h"

namespace nimbo::colorpicker {

// Each 0..240. A colour without hue (grey) reports hue 160.
struct Hls {
  int hue = 0;
  int luminance = 0;
  int saturation = 0;
  friend bool operator==(const Hls&, const Hls&) = default;
};

// Uses the low 24 bits of the colour.
Hls ColorRGBToHLS(RgbColor colour);

// Arguments are taken as on the platform: a hue outside 0..240 is brought into
// it modulo 240, and luminance and saturation are limited to 0..240, so every
// argument gives a valid colour.
RgbColor ColorHLSToRGB(int hue, int luminance, int saturation);

}  // namespace nimbo::colorpicker
