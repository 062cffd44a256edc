// Colour values as they travel between windows, and the rounding rules that
// every conversion of the colour picker shares.
#pragma once

#include <cmath>
#include <cstdint>

namespace nimbo::colorpicker {

// A colour as the colour-wheel control holds it: &H00BBGGRR, or a reference to
// a desktop system colour, &H80000000 + index.
using OleColor = std::uint32_t;
// A plain 24-bit colour: R + 256 * G + 65536 * B, high byte zero.
using RgbColor = std::uint32_t;

// Used by the control to mean "no colour"; setting it is ignored.
inline constexpr OleColor kNoColor = 0xFFFFFFFFu;

constexpr int RedOf(RgbColor c) {
  return static_cast<int>(c & 0xFFu);
}
constexpr int GreenOf(RgbColor c) {
  return static_cast<int>((c >> 8) & 0xFFu);
}
constexpr int BlueOf(RgbColor c) {
  return static_cast<int>((c >> 16) & 0xFFu);
}

constexpr int ClampByte(int v) {
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Components outside 0..255 are limited to it, so they never spill into a neighbour.
constexpr RgbColor PackRgb(int r, int g, int b) {
  return static_cast<RgbColor>(ClampByte(r)) | (static_cast<RgbColor>(ClampByte(g)) << 8) |
         (static_cast<RgbColor>(ClampByte(b)) << 16);
}

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
inline double RoundHalfEven(double v) {
  const double lower = std::floor(v);
  const double diff = v - lower;
  if (diff > 0.5) {
    return lower + 1.0;
  }
  if (diff < 0.5) {
    return lower;
  }
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

// RoundHalfEven limited to [lo, hi]; NaN gives lo.
inline std::int32_t RoundClamped(double v, std::int32_t lo, std::int32_t hi) {
  const double r = RoundHalfEven(v);
  if (!(r >= lo)) {
    return lo;
  }
  if (r > hi) {
    return hi;
  }
  return static_cast<std::int32_t>(r);
}

// A 0..255 channel from a double, halves to even; out-of-range values are limited.
inline int ToByte(double v) {
  return RoundClamped(v, 0, 255);
}

}  // namespace nimbo::colorpicker
