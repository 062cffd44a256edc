#include "colorpicker/HlsConversion.h"

#include <algorithm>

namespace nimbo::colorpicker {

namespace {

constexpr int kScale = 240;  // hue, luminance and saturation run 0..240
constexpr int kSixth = 40;   // one sixth of the hue circle
constexpr int kUndefinedHue = 160;

// Distance of a channel below the maximum, on the 0..40 scale of one sextant.
constexpr int SextantDistance(int mx, int channel, int d) {
  return ((mx - channel) * kSixth + d / 2) / d;
}

// The level (0..240) of one channel whose hue is h.
constexpr int HueLevel(int m1, int m2, int h) {
  if (h > kScale) {
    h -= kScale;
  } else if (h < 0) {
    h += kScale;
  }
  if (h > 160) {
    return m1;
  }
  if (h > 40 && h <= 120) {
    return m2;
  }
  if (h > 120) {
    h = 160 - h;  // 120 < h <= 160: the falling edge mirrors the rising one
  }
  return (h * (m2 - m1) + kSixth / 2) / kSixth + m1;
}

constexpr int LevelToByte(int level) {
  return (level * 255 + kScale / 2) / kScale;
}

}  // namespace

Hls ColorRGBToHLS(RgbColor colour) {
  const int r = RedOf(colour);
  const int g = GreenOf(colour);
  const int b = BlueOf(colour);
  const int mx = std::max({r, g, b});
  const int mn = std::min({r, g, b});
  const int sum = mx + mn;

  Hls out;
  out.luminance = (sum * kScale + 255) / 510;
  if (mx == mn) {
    out.saturation = 0;
    out.hue = kUndefinedHue;
    return out;
  }
  // mx > mn here, so 0 < sum < 510: neither divisor below is zero.
  const int d = mx - mn;
  if (out.luminance <= kScale / 2) {
    out.saturation = (d * kScale + sum / 2) / sum;
  } else {
    out.saturation = (d * kScale + (510 - sum) / 2) / (510 - sum);
  }
  const int rn = SextantDistance(mx, r, d);
  const int gn = SextantDistance(mx, g, d);
  const int bn = SextantDistance(mx, b, d);
  int hue;
  if (r == mx) {
    hue = bn - gn;
  } else if (g == mx) {
    hue = 80 + rn - bn;
  } else {
    hue = 160 + gn - rn;
  }
  if (hue < 0) {
    hue += kScale;
  } else if (hue > kScale) {
    hue -= kScale;
  }
  out.hue = hue;
  return out;
}

RgbColor ColorHLSToRGB(int hue, int luminance, int saturation) {
  // Bring out-of-range arguments into the scale; values inside it are untouched.
  if (hue < 0 || hue > kScale) {
    hue %= kScale;
    if (hue < 0) {
      hue += kScale;
    }
  }
  luminance = std::clamp(luminance, 0, kScale);
  saturation = std::clamp(saturation, 0, kScale);

  if (saturation == 0) {
    const int grey = luminance * 255 / kScale;
    return PackRgb(grey, grey, grey);
  }
  int m2;
  if (luminance > kScale / 2) {
    m2 = saturation + luminance - (saturation * luminance + kScale / 2) / kScale;
  } else {
    m2 = ((saturation + kScale) * luminance + kScale / 2) / kScale;
  }
  const int m1 = 2 * luminance - m2;
  return PackRgb(LevelToByte(HueLevel(m1, m2, hue + 80)), LevelToByte(HueLevel(m1, m2, hue)),
                 LevelToByte(HueLevel(m1, m2, hue - 80)));
}

}  // namespace nimbo::colorpicker
