#include "colorpicker/HsvConversion.h"

#include <algorithm>
#include <cmath>

namespace nimbo::colorpicker {

void RGBToHSV(RgbColor colour, double& H, double& V, double& S) {
  const int r = RedOf(colour);
  const int g = GreenOf(colour);
  const int b = BlueOf(colour);
  const int mx = std::max({r, g, b});
  const int mn = std::min({r, g, b});
  const int delta = mx - mn;

  V = mx * 100.0 / 255.0;
  if (mx < 1) {
    return;  // black: no hue, no saturation
  }
  S = static_cast<double>(delta) / mx * 100.0;
  if (delta < 1) {
    return;  // grey: no hue
  }
  double h;
  // Red before green before blue decides ties.
  if (r == mx) {
    h = static_cast<double>(g - b) / delta;
  } else if (g == mx) {
    h = static_cast<double>(b - r) / delta + 2.0;
  } else {
    h = static_cast<double>(r - g) / delta + 4.0;
  }
  H = h * 60.0;
  if (H < 0.0) {
    H += 360.0;
  }
}

RgbColor HSVToRGB(double H, double V, double S) {
  if (S == 0.0) {
    const int grey = ToByte(V * 255.0 / 100.0);
    return PackRgb(grey, grey, grey);
  }
  // Also rejects NaN, which has no sextant.
  if (!(H >= 0.0 && H < 360.0)) {
    return 0;
  }
  const double h = H / 60.0;
  const double v = V / 100.0;
  const double s = S / 100.0;
  const double i = std::floor(h);
  const double f = h - i;
  const double p = (1.0 - s) * v;
  const double q = (1.0 - s * f) * v;
  const double t = (1.0 - (1.0 - f) * s) * v;

  double red;
  double green;
  double blue;
  switch (static_cast<int>(i)) {
    case 0:
      red = v, green = t, blue = p;
      break;
    case 1:
      red = q, green = v, blue = p;
      break;
    case 2:
      red = p, green = v, blue = t;
      break;
    case 3:
      red = p, green = q, blue = v;
      break;
    case 4:
      red = t, green = p, blue = v;
      break;
    case 5:
      red = v, green = p, blue = q;
      break;
    default:
      return 0;
  }
  return PackRgb(ToByte(red * 255.0), ToByte(green * 255.0), ToByte(blue * 255.0));
}

}  // namespace nimbo::colorpicker
