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

// ColorHLSToRGB in pieces, for loops that keep some of its arguments fixed.
// A chromatic colour's channels lie between a lower and an upper level (each
// 0..240) that follow from luminance and saturation; the hue places each
// channel between them at a ramp position 0 (lower) .. 40 (upper).
struct HlsLevels {
  int low = 0;
  int span = 0;  // upper - lower, never negative
};
struct HueRamps {
  int r = 0;
  int g = 0;
  int b = 0;
};

// Luminance and saturation in 0..240.
constexpr HlsLevels LevelsOf(int luminance, int saturation) {
  const int upper = luminance > 120 ? saturation + luminance - (saturation * luminance + 120) / 240
                                    : ((saturation + 240) * luminance + 120) / 240;
  return {2 * luminance - upper, 2 * (upper - luminance)};
}

// Hue in 0..240.
HueRamps RampsOf(int hue);

// How far above the lower level a channel at this ramp position lies.
constexpr int RampShare(int ramp, int span) {
  return (ramp * span + 20) / 40;
}

// A level 0..240 as a byte 0..255.
constexpr int LevelByte(int level) {
  return (level * 255 + 120) / 240;
}

// One channel of a chromatic colour, 0..255.
constexpr int ChannelOf(HlsLevels levels, int ramp) {
  return LevelByte(levels.low + RampShare(ramp, levels.span));
}

// The grey of a colour without saturation, 0..255.
constexpr int GreyOf(int luminance) {
  return luminance * 255 / 240;
}

}  // namespace nimbo::colorpicker
