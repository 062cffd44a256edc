// The colour-wheel control's colour state as a plain value: the colour system,
// its scales and reference values, the current parameters, and the wheel
// mapping, with the conversions that work on them. Nothing here draws.
#pragma once

#include <cstdint>

#include "colorpicker/ColorValue.h"
#include "colorpicker/SystemColors.h"

namespace nimbo::colorpicker {

// ColorSystem values: the list index of the colour-system selector. Any value
// other than kSystemHsv behaves as HSL.
inline constexpr std::int32_t kSystemHsv = 0;
inline constexpr std::int32_t kSystemHsl = 1;

// Parameter numbers (SelectionParameter, RadialParameter, AxialParameter).
inline constexpr std::int32_t kHue = 0;
inline constexpr std::int32_t kLuminance = 1;  // "Value" in HSV, "Lum." in HSL
inline constexpr std::int32_t kSaturation = 2;
inline constexpr std::int32_t kRed = 3;
inline constexpr std::int32_t kGreen = 4;
inline constexpr std::int32_t kBlue = 5;

// Which parameters the wheel shows along its radius and round its angle.
struct WheelMapping {
  std::int32_t RadialParameter;
  std::int32_t AxialParameter;
  friend bool operator==(const WheelMapping&, const WheelMapping&) = default;
};

// The mapping for a selection parameter; outside 0..5 the initial mapping
// (radius saturation, angle hue).
WheelMapping MappingFor(std::int32_t selectionParameter);

struct ColorState {
  std::int32_t ColorSystem = kSystemHsv;
  std::int32_t SelectionParameter = kLuminance;
  std::int32_t RadialParameter = kSaturation;
  std::int32_t AxialParameter = kHue;
  // Set while a pointer outside the wheel has been moved onto its rim: the
  // radial parameter then takes its maximum exactly.
  bool RimClamped = false;

  // The colour in the current system's scale, and its channels 0..255.
  double H = 0.0;
  double L = 0.0;
  double S = 0.0;
  std::int32_t R = 0;
  std::int32_t G = 0;
  std::int32_t B = 0;

  // Ranges and reference values of the current system (SetParameterRanges).
  std::int32_t HMax = 360;
  std::int32_t LMax = 100;
  std::int32_t SMax = 100;
  double RefH = 240.0;
  double RefL = 100.0;
  double RefS = 100.0;

  // Resolves system-colour references before any conversion.
  SystemColorTable SystemColors;

  bool IsHsv() const { return ColorSystem == kSystemHsv; }

  // Sets HMax, LMax, SMax and RefH, RefL, RefS from ColorSystem.
  void SetParameterRanges();
  // Sets RadialParameter and AxialParameter from SelectionParameter.
  void ApplyWheelMapping();
  // Moves to another colour system: H, L, S are recomputed from colour in the
  // new system's scale (not rescaled from the old values), then the ranges set.
  void SwitchColorSystem(std::int32_t system, OleColor colour);

  // The colour in plain RGB; a value that is not a colour counts as black.
  RgbColor Translate(OleColor colour) const { return SystemColors.TranslateOrBlack(colour); }

  // RGB to the current system. In HSL all of h, l, s are overwritten; in HSV a
  // colour without hue or saturation leaves them as they came in. With
  // RimClamped set, the radial parameter is pushed to its maximum and colour is
  // replaced by the resulting RGB colour.
  void RGBToSystem(OleColor& colour, double& h, double& l, double& s) const;
  // The current system's h, l, s to RGB (in HSL each rounded, halves to even).
  RgbColor SystemToRGB(double h, double l, double s) const;

  // SystemToRGB(H, L, S) while a hue, luminance or saturation is selected,
  // else RGB(R, G, B).
  RgbColor ComposeColor() const;

  // The value of a parameter (H, L, S as stored, R, G, B as doubles) and its
  // maximum; 0 for a number outside 0..5.
  double ParameterValue(std::int32_t parameter) const;
  std::int32_t ParameterMax(std::int32_t parameter) const;
  double RadialValue() const { return ParameterValue(RadialParameter); }
  double AxialValue() const { return ParameterValue(AxialParameter); }
  std::int32_t RadialMax() const { return ParameterMax(RadialParameter); }
  std::int32_t AxialMax() const { return ParameterMax(AxialParameter); }

  // The colour of a wheel pixel whose angle and radius carry axial and radial
  // (per the mapping of SelectionParameter) while the selected parameter has
  // the value selected. For red, green or blue selected, the values are rounded
  // and limited to 0..255.
  RgbColor WheelPixelColor(double axial, double radial, double selected) const;
};

}  // namespace nimbo::colorpicker
