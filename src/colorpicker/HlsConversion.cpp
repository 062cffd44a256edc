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

// Where a channel whose hue is h lies between the lower and upper level.
constexpr int RampOf(int h) {
  if (h > kScale) {
    h -= kScale;
  } else if (h < 0) {
    h += kScale;
  }
  if (h > 160) {
    return 0;
  }
  if (h > 40 && h <= 120) {
    return kSixth;
  }
  if (h > 120) {
    h = 160 - h;  // 120 < h <= 160: the falling edge mirrors the rising one
  }
  return h;
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
    const int grey = GreyOf(luminance);
    return PackRgb(grey, grey, grey);
  }
  const HlsLevels levels = LevelsOf(luminance, saturation);
  const HueRamps ramps = RampsOf(hue);
  return PackRgb(ChannelOf(levels, ramps.r), ChannelOf(levels, ramps.g),
                 ChannelOf(levels, ramps.b));
}

HueRamps RampsOf(int hue) {
  return {RampOf(hue + 80), RampOf(hue), RampOf(hue - 80)};
}

}  // namespace nimbo::colorpicker
