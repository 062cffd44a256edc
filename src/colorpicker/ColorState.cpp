#include "colorpicker/ColorState.h"

#include "colorpicker/HlsConversion.h"
#include "colorpicker/HsvConversion.h"

namespace nimbo::colorpicker {

namespace {

constexpr int kHslScale = 240;

// HSL arguments are whole numbers; out-of-range ones are left to the
// conversion, which brings them into its scale.
int HslArgument(double v) {
  return RoundClamped(v, -32768, 32767);
}

}  // namespace

WheelMapping MappingFor(std::int32_t selectionParameter) {
  switch (selectionParameter) {
    case kHue:
      return {kSaturation, kLuminance};
    case kLuminance:
      return {kSaturation, kHue};
    case kSaturation:
      return {kLuminance, kHue};
    case kRed:
      return {kBlue, kGreen};
    case kGreen:
      return {kBlue, kRed};
    case kBlue:
      return {kGreen, kRed};
    default:
      return {kSaturation, kHue};
  }
}

void ColorState::SetParameterRanges() {
  if (IsHsv()) {
    HMax = 360;
    LMax = 100;
    SMax = 100;
    RefH = 240.0;
    RefL = 100.0;
    RefS = 100.0;
  } else {
    HMax = kHslScale;
    LMax = kHslScale;
    SMax = kHslScale;
    RefH = 160.0;
    RefL = 120.0;
    RefS = 240.0;
  }
}

void ColorState::ApplyWheelMapping() {
  const WheelMapping m = MappingFor(SelectionParameter);
  RadialParameter = m.RadialParameter;
  AxialParameter = m.AxialParameter;
}

void ColorState::SwitchColorSystem(std::int32_t system, OleColor colour) {
  ColorSystem = system;
  RGBToSystem(colour, H, L, S);
  SetParameterRanges();
}

void ColorState::RGBToSystem(OleColor& colour, double& h, double& l, double& s) const {
  const RgbColor rgb = Translate(colour);
  if (!IsHsv()) {
    const Hls hls = ColorRGBToHLS(rgb);
    h = hls.hue;
    l = hls.luminance;
    s = hls.saturation;
    // With saturation selected the radius carries luminance.
    if (RimClamped && SelectionParameter == kSaturation) {
      l = kHslScale;
      colour = ColorHLSToRGB(hls.hue, kHslScale, hls.saturation);
    }
    return;
  }
  RGBToHSV(rgb, h, l, s);
  if (!RimClamped) {
    return;
  }
  // Hue or value selected: the radius carries saturation; otherwise value.
  double& radial = (SelectionParameter == kHue || SelectionParameter == kLuminance) ? s : l;
  if (radial == 100.0) {
    return;
  }
  radial = 100.0;
  colour = HSVToRGB(h, l, s);
}

RgbColor ColorState::SystemToRGB(double h, double l, double s) const {
  if (IsHsv()) {
    return HSVToRGB(h, l, s);
  }
  return ColorHLSToRGB(HslArgument(h), HslArgument(l), HslArgument(s));
}

RgbColor ColorState::ComposeColor() const {
  if (SelectionParameter >= kHue && SelectionParameter <= kSaturation) {
    return SystemToRGB(H, L, S);
  }
  return PackRgb(R, G, B);
}

double ColorState::ParameterValue(std::int32_t parameter) const {
  switch (parameter) {
    case kHue:
      return H;
    case kLuminance:
      return L;
    case kSaturation:
      return S;
    case kRed:
      return R;
    case kGreen:
      return G;
    case kBlue:
      return B;
    default:
      return 0.0;
  }
}

std::int32_t ColorState::ParameterMax(std::int32_t parameter) const {
  switch (parameter) {
    case kHue:
      return HMax;
    case kLuminance:
      return LMax;
    case kSaturation:
      return SMax;
    case kRed:
    case kGreen:
    case kBlue:
      return 255;
    default:
      return 0;
  }
}

RgbColor ColorState::WheelPixelColor(double axial, double radial, double selected) const {
  switch (SelectionParameter) {
    case kHue:
      return SystemToRGB(selected, axial, radial);
    case kLuminance:
      return SystemToRGB(axial, selected, radial);
    case kSaturation:
      return SystemToRGB(axial, radial, selected);
    case kRed:
      return PackRgb(ToByte(selected), ToByte(axial), ToByte(radial));
    case kGreen:
      return PackRgb(ToByte(axial), ToByte(selected), ToByte(radial));
    case kBlue:
      return PackRgb(ToByte(axial), ToByte(radial), ToByte(selected));
    default:
      return 0;
  }
}

}  // namespace nimbo::colorpicker
