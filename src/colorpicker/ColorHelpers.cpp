#include "colorpicker/ColorHelpers.h"

namespace nimbo::colorpicker {

namespace {

constexpr int kSnapHigh = 249;
constexpr int kSnapLow = 255 - kSnapHigh;  // 6

constexpr bool NearEnd(int channel) {
  return channel >= kSnapHigh || channel <= kSnapLow;
}
constexpr int Snap(int channel) {
  return channel >= kSnapHigh ? 255 : 0;
}

}  // namespace

RgbColor SnapColor(RgbColor colour) {
  const int r = RedOf(colour);
  const int g = GreenOf(colour);
  const int b = BlueOf(colour);
  if (!(NearEnd(r) && NearEnd(g) && NearEnd(b))) {
    return colour;
  }
  return PackRgb(Snap(r), Snap(g), Snap(b));
}

std::int32_t GetLuminance(OleColor colour, const SystemColorTable& systemColors) {
  const RgbColor rgb = systemColors.TranslateOrBlack(colour);
  const double lum = RedOf(rgb) * 0.2125 + GreenOf(rgb) * 0.7154 + BlueOf(rgb) * 0.0721;
  return RoundClamped(lum, 0, 255);
}

}  // namespace nimbo::colorpicker
