// The control's colour state: ranges, system switching, the rim clamp and the
// colours composed for the wheel.
#include <gtest/gtest.h>

#include <tuple>

#include "TestColours.h"
#include "colorpicker/ColorState.h"

namespace nimbo::colorpicker {
namespace {

using test::Rgb;

ColorState StateIn(std::int32_t system, std::int32_t selection) {
  ColorState st;
  st.ColorSystem = system;
  st.SelectionParameter = selection;
  st.SetParameterRanges();
  st.ApplyWheelMapping();
  return st;
}

TEST(ColorState, RangesAndReferenceValuesPerSystem) {
  const ColorState fresh;  // a new state is HSV
  EXPECT_EQ(std::tie(fresh.HMax, fresh.LMax, fresh.SMax), std::make_tuple(360, 100, 100));
  for (std::int32_t system : {0, 1, 2, -1}) {  // every value but 0 is HSL
    const ColorState st = StateIn(system, kHue);
    const bool hsv = system == 0;
    EXPECT_EQ(std::tie(st.HMax, st.LMax, st.SMax),
              hsv ? std::make_tuple(360, 100, 100) : std::make_tuple(240, 240, 240));
    EXPECT_EQ(std::tie(st.RefH, st.RefL, st.RefS),
              hsv ? std::make_tuple(240.0, 100.0, 100.0) : std::make_tuple(160.0, 120.0, 240.0));
    // The reference values show full-saturation blue in either system.
    EXPECT_EQ(st.SystemToRGB(st.RefH, st.RefL, st.RefS), Rgb(0, 0, 255));
  }
}

TEST(ColorState, SwitchingSystemsRecomputesFromTheColour) {
  ColorState st;
  const OleColor orange = Rgb(255, 128, 0);
  st.SwitchColorSystem(kSystemHsv, orange);
  EXPECT_NEAR(st.H, 60 * 128.0 / 255, 1e-9);
  EXPECT_EQ(st.L, 100);
  // In HSL full orange has half luminance, not 100 rescaled to 240.
  st.SwitchColorSystem(kSystemHsl, orange);
  EXPECT_EQ(std::tie(st.H, st.L, st.S), std::make_tuple(20.0, 120.0, 240.0));
  EXPECT_EQ(st.HMax, 240);
  // A system colour is resolved first.
  st.SystemColors.Set(SystemColor::kButtonFace, Rgb(0, 0, 255));
  st.SwitchColorSystem(kSystemHsv, SystemColorRef(SystemColor::kButtonFace));
  EXPECT_EQ(std::tie(st.H, st.L, st.S), std::make_tuple(240.0, 100.0, 100.0));
}

TEST(ColorState, RimClampPushesTheRadialParameterToItsMaximum) {
  struct Case {
    std::int32_t system, selection;
    RgbColor in, out;  // colour before and after
    double h, l, s;
  };
  const Case cases[] = {
      // HSV, hue or value selected: saturation on the radius goes to 100.
      {kSystemHsv, kLuminance, Rgb(200, 100, 100), Rgb(200, 0, 0), 0, 20000.0 / 255, 100},
      {kSystemHsv, kHue, Rgb(200, 100, 100), Rgb(200, 0, 0), 0, 20000.0 / 255, 100},
      // HSV, any other selection: value goes to 100; 127.5 rounds to even 128.
      {kSystemHsv, kSaturation, Rgb(100, 50, 50), Rgb(255, 128, 128), 0, 100, 50},
      {kSystemHsv, kRed, Rgb(100, 50, 50), Rgb(255, 128, 128), 0, 100, 50},
      // HSL with saturation selected: luminance on the radius goes to 240.
      {kSystemHsl, kSaturation, Rgb(100, 50, 50), Rgb(255, 255, 255), 0, 240, 80},
      // HSL otherwise: nothing is clamped.
      {kSystemHsl, kHue, Rgb(100, 50, 50), Rgb(100, 50, 50), 0, 71, 80}};
  for (const Case& c : cases) {
    ColorState st = StateIn(c.system, c.selection);
    st.RimClamped = true;
    OleColor colour = c.in;
    double h = -1, l = -1, s = -1;
    st.RGBToSystem(colour, h, l, s);
    EXPECT_EQ(colour, c.out) << c.system << '/' << c.selection;
    EXPECT_NEAR(h, c.h, 1e-9);
    EXPECT_NEAR(l, c.l, 1e-9);
    EXPECT_NEAR(s, c.s, 1e-9);
  }
  // Already at the maximum, or not clamped: the colour stays exactly as it
  // came, even a system-colour reference.
  for (bool clamped : {true, false}) {
    ColorState st = StateIn(kSystemHsv, kHue);
    st.RimClamped = clamped;
    st.SystemColors.Set(SystemColor::kHighlight, Rgb(0, 0, 255));
    OleColor colour = SystemColorRef(SystemColor::kHighlight);
    double h = 0, l = 0, s = 0;
    st.RGBToSystem(colour, h, l, s);
    EXPECT_EQ(colour, 0x8000000Du);
  }
}

TEST(ColorState, ComposedAndWheelPixelColours) {
  ColorState st = StateIn(kSystemHsv, kLuminance);
  std::tie(st.H, st.L, st.S, st.R, st.G, st.B) = std::make_tuple(0.0, 100.0, 100.0, 1, 2, 3);
  EXPECT_EQ(st.ComposeColor(), Rgb(255, 0, 0));
  EXPECT_EQ(st.RadialValue(), 100);  // saturation on the radius, hue round the angle
  EXPECT_EQ(st.AxialMax(), 360);
  st.SelectionParameter = kGreen;
  EXPECT_EQ(st.ComposeColor(), Rgb(1, 2, 3));

  struct Case {
    std::int32_t system, selection;
    double axial, radial, selected;
    RgbColor rgb;
  };
  const Case cases[] = {
      {kSystemHsv, kHue, 100, 100, 120, Rgb(0, 255, 0)},          // H sel, V axial, S radial
      {kSystemHsv, kLuminance, 240, 100, 100, Rgb(0, 0, 255)},    // H axial, V sel, S radial
      {kSystemHsv, kSaturation, 60, 100, 0, Rgb(255, 255, 255)},  // H axial, V radial, S sel
      {kSystemHsl, kHue, 120, 240, 40, Rgb(255, 255, 0)},
      {kSystemHsl, kSaturation, 79.5, 120, 240, Rgb(0, 255, 0)},  // 79.5 rounds to 80
      {kSystemHsl, kLuminance, 0, 240, 120.5, Rgb(255, 0, 0)},    // 120.5 rounds to 120
      {kSystemHsl, kLuminance, 0, 240, 121.5, Rgb(255, 4, 4)},    // 121.5 rounds to 122
      {kSystemHsv, kRed, 10.5, 20, 7, Rgb(7, 10, 20)},            // axial 10.5 rounds to even 10
      {kSystemHsv, kGreen, 300, 20, 7, Rgb(255, 7, 20)},
      {kSystemHsv, kBlue, 11.5, 20, 7, Rgb(12, 20, 7)}};
  // selection -> (radial, axial), as the pixel colours above lay them out
  const WheelMapping mapping[] = {{2, 1}, {2, 0}, {1, 0}, {5, 4}, {5, 3}, {4, 3}};
  for (std::int32_t sel = 0; sel < 6; ++sel) {
    EXPECT_EQ(MappingFor(sel), mapping[sel]) << sel;
  }
  for (const Case& c : cases) {
    st = StateIn(c.system, c.selection);
    EXPECT_EQ(st.WheelPixelColor(c.axial, c.radial, c.selected), c.rgb)
        << c.system << '/' << c.selection << ' ' << c.selected;
  }
}

}  // namespace
}  // namespace nimbo::colorpicker
