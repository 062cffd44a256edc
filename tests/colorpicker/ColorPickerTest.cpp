// The colour picker's core: HSV and the 0..240 integer HLS conversions
// (fixed points, properties over every colour, round trips), the control's
// colour state, the wheel's geometry, snapping, luminance and system colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <tuple>

#include "colorpicker/ColorHelpers.h"
#include "colorpicker/ColorState.h"
#include "colorpicker/HlsConversion.h"
#include "colorpicker/HsvConversion.h"
#include "colorpicker/SystemColors.h"
#include "colorpicker/WheelGeometry.h"

namespace nimbo::colorpicker {
namespace {

// R + 256 * G + 65536 * B, computed apart from the code under test.
constexpr RgbColor Rgb(int r, int g, int b) {
  return static_cast<RgbColor>(r + 256 * g + 65536 * b);
}

// Sweeps visit every colour in optimised builds; elsewhere every 7th, which
// still reaches all 256 values of each channel (7 is prime to 256). The HSV
// sweep takes every third of those.
#if defined(NDEBUG) && !defined(NIMBO_SLOW_BUILD)
constexpr long kStride = 1;
#else
constexpr long kStride = 7;
#endif

TEST(HlsConversion, GreysAndOutOfScaleArguments) {
  // Greys carry hue 160; dark red has half the luminance of red, and comes back.
  EXPECT_EQ(ColorRGBToHLS(Rgb(0, 0, 0)), (Hls{160, 0, 0}));
  EXPECT_EQ(ColorRGBToHLS(Rgb(255, 255, 255)), (Hls{160, 240, 0}));
  EXPECT_EQ(ColorRGBToHLS(Rgb(128, 128, 128)), (Hls{160, 120, 0}));
  EXPECT_EQ(ColorRGBToHLS(Rgb(128, 0, 0)), (Hls{0, 60, 240}));
  EXPECT_EQ(ColorHLSToRGB(0, 60, 240), Rgb(128, 0, 0));
  EXPECT_EQ(ColorHLSToRGB(0, 240, 0), Rgb(255, 255, 255));
  EXPECT_EQ(ColorHLSToRGB(123, 0, 0), 0u);
  // Hue wraps modulo 240; luminance and saturation are limited to 0..240.
  EXPECT_EQ(ColorHLSToRGB(240 + 80, 120, 240), Rgb(0, 255, 0));
  EXPECT_EQ(ColorHLSToRGB(-160, 120, 240), Rgb(0, 255, 0));
  EXPECT_EQ(ColorHLSToRGB(0, 500, 240), Rgb(255, 255, 255));
  EXPECT_EQ(ColorHLSToRGB(0, 120, 999), Rgb(255, 0, 0));
  EXPECT_EQ(ColorHLSToRGB(0, -5, 240), 0u);
  EXPECT_EQ(ColorRGBToHLS(0xFF0000FFu), (Hls{0, 120, 240}));  // bits above 24 are ignored
}

// The exact colour of hue, luminance and saturation given as fractions of
// the scale, channels as fractions of 255 (the textbook chroma construction).
std::array<double, 3> ExactRgb(double h, double l, double s) {
  const double c = (1 - std::fabs(2 * l - 1)) * s;
  const double sector = h * 6;
  const double x = c * (1 - std::fabs(std::fmod(sector, 2) - 1));
  const double m = l - c / 2;
  const std::array<std::array<double, 3>, 6> shapes = {
      {{c, x, 0}, {x, c, 0}, {0, c, x}, {0, x, c}, {x, 0, c}, {c, 0, x}}};
  const auto& shape = shapes[static_cast<std::size_t>(sector) % 6];
  return {(shape[0] + m) * 255, (shape[1] + m) * 255, (shape[2] + m) * 255};
}

// Over every colour: hue, luminance and saturation are the nearest points of
// the 0..240 scale to their exact values (saturation relative to the dark or
// light half as the scale's luminance tells). Over the whole scale: each
// channel lies within 1.6 levels of the exact colour (rounded twice, greys
// truncated); zero saturation is grey, luminance 0 black and 240 white.
TEST(HlsConversion, NearestOnTheScaleOverEveryColourAndTheWholeScale) {
  long failures = 0;
  const auto check = [&](bool ok, const char* what, long a, long b = 0, long c = 0) {
    if (!ok && ++failures <= 5) {
      ADD_FAILURE() << what << ' ' << a << ' ' << b << ' ' << c;
    }
  };
  const auto channel = [](RgbColor c, int i) { return static_cast<int>((c >> (8 * i)) & 0xFF); };
  for (long c = 0; c < (1L << 24); c += kStride) {
    const Hls hls = ColorRGBToHLS(static_cast<RgbColor>(c));
    const double r = c & 0xFF, g = (c >> 8) & 0xFF, b = c >> 16;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b}), d = mx - mn;
    check(std::fabs(hls.luminance - (mx + mn) * 240 / 510) <= 0.5, "luminance of", c);
    if (d == 0) {
      continue;
    }
    const double half = hls.luminance <= 120 ? mx + mn : 510 - mx - mn;
    check(std::fabs(hls.saturation - d * 240 / half) <= 0.5, "saturation of", c);
    double hue = r == mx   ? 40 * (g - b) / d
                 : g == mx ? 80 + 40 * (b - r) / d
                           : 160 + 40 * (r - g) / d;
    hue += hue < 0 ? 240 : 0;
    const double off = std::fabs(hls.hue - hue);
    check(std::min(off, 240 - off) <= 0.5, "hue of", c);
  }
  for (int h = 0; h <= 240; h += kStride) {
    for (int l = 0; l <= 240; ++l) {
      for (int s = 0; s <= 240; ++s) {
        const RgbColor rgb = ColorHLSToRGB(h, l, s);
        const auto exact = ExactRgb(h / 240.0, l / 240.0, s / 240.0);
        for (int i = 0; i < 3; ++i) {
          check(std::fabs(channel(rgb, i) - exact[static_cast<std::size_t>(i)]) <= 1.6, "hls", h, l,
                s);
        }
        check(s != 0 || (channel(rgb, 0) == channel(rgb, 1) && channel(rgb, 1) == channel(rgb, 2)),
              "grey", h, l);
        check((l != 0 || rgb == 0) && (l != 240 || rgb == Rgb(255, 255, 255)), "black or white", h,
              l, s);
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(HsvConversion, ToHsv) {
  // rgb, h, v, s; -1: left as it came in (no hue, or no saturation either)
  const std::tuple<RgbColor, double, double, double> cases[] = {
      {Rgb(128, 64, 0), 30, 12800.0 / 255, 100},
      {Rgb(255, 128, 128), 0, 100, 12700.0 / 255},
      {Rgb(255, 0, 1), 360 - 60.0 / 255, 100, 100},
      {Rgb(0, 0, 0), -1, 0, -1},
      {Rgb(128, 128, 128), -1, 12800.0 / 255, 0}};
  for (const auto& [rgb, wantH, wantV, wantS] : cases) {
    double h = -1, v = -1, s = -1;
    RGBToHSV(rgb, h, v, s);
    EXPECT_NEAR(h, wantH, 1e-9) << std::hex << rgb;
    EXPECT_NEAR(v, wantV, 1e-9) << std::hex << rgb;
    EXPECT_NEAR(s, wantS, 1e-9) << std::hex << rgb;
  }
}

TEST(HsvConversion, ToRgbRoundsHalvesToEvenAndGivesBlackOutsideTheHueCircle) {
  const std::tuple<double, double, double, RgbColor> cases[] = {
      {30, 100, 100, Rgb(255, 128, 0)},  // 127.5 rounds to the even 128
      {0, 100, 50, Rgb(255, 128, 128)},
      {359.9, 100, 100, Rgb(255, 0, 0)},  // blue is 0.43 of a step: rounds to 0
      {360, 100, 100, 0},                 // no sextant: black
      {-1, 100, 100, 0},
      {std::nan(""), 100, 100, 0},
      {77, 30, 0, Rgb(76, 76, 76)},  // grey 76.5 rounds to the even 76
      {0, 100, 0, Rgb(255, 255, 255)},
      {0, 150, 0, Rgb(255, 255, 255)},  // beyond full value: limited, not wrapped
  };
  for (const auto& [h, v, s, rgb] : cases) {
    EXPECT_EQ(HSVToRGB(h, v, s), rgb) << h << ' ' << v << ' ' << s;
  }
}

TEST(HsvConversion, EveryColourSurvivesTheRoundTrip) {
  long mismatches = 0;
  for (long c = 0; c < (1L << 24); c += 3 * kStride) {
    double h = 0, v = 0, s = 0;
    RGBToHSV(static_cast<RgbColor>(c), h, v, s);
    if (HSVToRGB(h, v, s) != static_cast<RgbColor>(c) && ++mismatches <= 5) {
      ADD_FAILURE() << "colour " << std::hex << c;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

ColorState StateIn(std::int32_t system, std::int32_t selection) {
  ColorState st;
  st.ColorSystem = system;
  st.SelectionParameter = selection;
  st.SetParameterRanges();
  st.ApplyWheelMapping();
  return st;
}

// The reference values show full-saturation blue in either system; a system
// colour is resolved before the colour system's values are worked out.
TEST(ColorState, ReferenceValuesAndSystemColours) {
  for (std::int32_t system : {kSystemHsv, kSystemHsl}) {
    const ColorState st = StateIn(system, kHue);
    EXPECT_EQ(st.SystemToRGB(st.RefH, st.RefL, st.RefS), Rgb(0, 0, 255));
  }
  ColorState st;
  st.SystemColors.Set(SystemColor::kButtonFace, Rgb(0, 0, 255));
  st.SwitchColorSystem(kSystemHsv, SystemColorRef(SystemColor::kButtonFace));
  EXPECT_EQ(std::tie(st.H, st.L, st.S), std::make_tuple(240.0, 100.0, 100.0));
}

TEST(ColorState, RimClampPushesTheRadialParameterToItsMaximum) {
  // system, selection, colour before and after (both of hue 0), l, s
  const std::tuple<std::int32_t, std::int32_t, RgbColor, RgbColor, double, double> cases[] = {
      // HSV, hue or value selected: saturation on the radius goes to 100.
      {kSystemHsv, kLuminance, Rgb(200, 100, 100), Rgb(200, 0, 0), 20000.0 / 255, 100},
      {kSystemHsv, kHue, Rgb(200, 100, 100), Rgb(200, 0, 0), 20000.0 / 255, 100},
      // HSV, any other selection: value goes to 100; 127.5 rounds to even 128.
      {kSystemHsv, kSaturation, Rgb(100, 50, 50), Rgb(255, 128, 128), 100, 50},
      {kSystemHsv, kRed, Rgb(100, 50, 50), Rgb(255, 128, 128), 100, 50},
      // HSL with saturation selected: luminance on the radius goes to 240.
      {kSystemHsl, kSaturation, Rgb(100, 50, 50), Rgb(255, 255, 255), 240, 80},
      // HSL otherwise: nothing is clamped.
      {kSystemHsl, kHue, Rgb(100, 50, 50), Rgb(100, 50, 50), 71, 80}};
  for (const auto& [system, selection, in, out, wantL, wantS] : cases) {
    ColorState st = StateIn(system, selection);
    st.RimClamped = true;
    OleColor colour = in;
    double h = -1, l = -1, s = -1;
    st.RGBToSystem(colour, h, l, s);
    EXPECT_EQ(colour, out) << system << '/' << selection;
    EXPECT_NEAR(h, 0, 1e-9);
    EXPECT_NEAR(l, wantL, 1e-9);
    EXPECT_NEAR(s, wantS, 1e-9);
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
  // Hue, luminance and saturation selected: the colour system's values (red);
  // a channel selected: the channels.
  ColorState st;
  for (std::int32_t sel = 0; sel < 6; ++sel) {
    st = StateIn(kSystemHsv, sel);
    std::tie(st.H, st.L, st.S, st.R, st.G, st.B) = std::make_tuple(0.0, 100.0, 100.0, 1, 2, 3);
    EXPECT_EQ(st.ComposeColor(), sel <= kSaturation ? Rgb(255, 0, 0) : Rgb(1, 2, 3)) << sel;
  }

  // system, selection, axial, radial, selected value, pixel colour
  const std::tuple<std::int32_t, std::int32_t, double, double, double, RgbColor> cases[] = {
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
  for (const auto& [system, selection, axial, radial, selected, rgb] : cases) {
    st = StateIn(system, selection);
    EXPECT_EQ(st.WheelPixelColor(axial, radial, selected), rgb)
        << system << '/' << selection << ' ' << selected;
  }
}

TEST(WheelGeometry, AngleRunsCounterClockwiseFromTheRight) {
  // x, y, angle. Centre (100, 100), which itself has angle 90; screen y grows downwards.
  const double cases[][3] = {{110, 100, 0},   {110, 90, 45},
                             {100, 90, 90},   {90, 90, 135},
                             {90, 100, 180},  {90, 110, 225},
                             {100, 110, 270}, {110, 110, 315},
                             {100, 100, 90},  {110, 100 - 10 * 1.7320508075688772, 60}};
  for (const auto& [x, y, angle] : cases) {
    EXPECT_NEAR(WheelAngleRadius(x, y, 100, 100).angle, angle, 1e-9) << x << ',' << y;
  }
  EXPECT_NEAR(WheelAngleRadius(103, 96, 100, 100).radius, 5.0, 1e-12);
  // Just below the right-hand horizontal stays below 360.
  const double tiny = WheelAngle(1.0, -1e-18);
  EXPECT_GE(tiny, 0.0);
  EXPECT_LT(tiny, 360.0);
}

TEST(WheelGeometry, SizesAndPixelValues) {
  EXPECT_EQ(GeometryFor(208, 208), (WheelGeometry{104, 104, 200, 100}));
  EXPECT_EQ(GeometryFor(209, 207), (WheelGeometry{104, 104, 201, 100}));  // halves to even
  EXPECT_EQ(GeometryFor(211, 211), (WheelGeometry{106, 106, 203, 102}));
  // Diameter 200: the radial value runs from 1 at the centre to its maximum on
  // the rim; a degenerate wheel (diameter 0) gives the maximum, not a fault.
  const double radial[][4] = {{0, 200, 100, 1},     {100, 200, 100, 100}, {100, 200, 240, 240},
                              {49.9, 200, 100, 49}, {140, 200, 255, 255}, {5, 0, 255, 255},
                              {0, 0, 255, 255}};
  for (const auto& r : radial) {
    EXPECT_EQ(RadialPixelValue(r[0], r[1], static_cast<std::int32_t>(r[2])), r[3]) << r[0];
  }
}

TEST(ColorHelpers, SnapColour) {
  const std::pair<RgbColor, RgbColor> cases[] = {
      {Rgb(250, 5, 251), Rgb(255, 0, 255)},     {Rgb(250, 7, 251), Rgb(250, 7, 251)},
      {Rgb(249, 249, 249), Rgb(255, 255, 255)}, {Rgb(6, 6, 6), 0},
      {Rgb(248, 0, 0), Rgb(248, 0, 0)},         {Rgb(0, 255, 3), Rgb(0, 255, 0)}};
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(SnapColor(in), out) << std::hex << in;
  }
}

TEST(SystemColors, OnlyRealColoursTranslateAndTheLuminanceResolvesThem) {
  SystemColorTable table;
  EXPECT_EQ(GetLuminance(Rgb(255, 0, 0), table), 54);   // 54.1875
  EXPECT_EQ(GetLuminance(Rgb(0, 255, 0), table), 182);  // 182.427
  EXPECT_EQ(GetLuminance(Rgb(0, 0, 255), table), 18);   // 18.3855
  // The default button face is light: it gets dark label text.
  const OleColor buttonFace = 0x8000000Fu;
  EXPECT_GE(GetLuminance(buttonFace, table), kLightBackgroundLuminance);
  EXPECT_EQ(table.Translate(0x02010203u), 0x010203u);  // palette-relative colour
  EXPECT_EQ(table.Translate(0x80000005u), Rgb(255, 255, 255));
  EXPECT_TRUE(table.Set(30, Rgb(9, 9, 9)));
  EXPECT_EQ(table.Translate(0x8000001Eu), Rgb(9, 9, 9));
  table.Set(SystemColor::kButtonFace, Rgb(32, 32, 32));
  EXPECT_EQ(GetLuminance(buttonFace, table), 32);
  // Not colours: index past the table, unknown kinds, the "no colour" value.
  for (OleColor bad : {0x8000001Fu, 0x80010005u, 0x01000005u, 0x40000000u, kNoColor}) {
    EXPECT_FALSE(table.Translate(bad).has_value()) << std::hex << bad;
    EXPECT_EQ(table.TranslateOrBlack(bad), 0u);
  }
  EXPECT_FALSE(table.Set(31, 0));
  EXPECT_FALSE(table.Get(31).has_value());
}

}  // namespace
}  // namespace nimbo::colorpicker
