// Wheel geometry and polar values, snapping, luminance and system colours.
#include <gtest/gtest.h>

#include "TestColours.h"
#include "colorpicker/ColorHelpers.h"
#include "colorpicker/SystemColors.h"
#include "colorpicker/WheelGeometry.h"

namespace nimbo::colorpicker {
namespace {

using test::Rgb;

TEST(WheelGeometry, CentreDiameterAndRadius) {
  EXPECT_EQ(GeometryFor(208, 208), (WheelGeometry{104, 104, 200, 100}));
  EXPECT_EQ(GeometryFor(209, 207), (WheelGeometry{104, 104, 201, 100}));  // halves to even
  EXPECT_EQ(GeometryFor(211, 211), (WheelGeometry{106, 106, 203, 102}));
}

TEST(WheelGeometry, AngleRunsCounterClockwiseFromTheRight) {
  struct Case {
    double x, y, angle;
  };
  // Centre (100, 100), which itself has angle 90; screen y grows downwards.
  const Case cases[] = {{110, 100, 0},   {110, 90, 45},
                        {100, 90, 90},   {90, 90, 135},
                        {90, 100, 180},  {90, 110, 225},
                        {100, 110, 270}, {110, 110, 315},
                        {100, 100, 90},  {110, 100 - 10 * 1.7320508075688772, 60}};
  for (const Case& c : cases) {
    EXPECT_NEAR(WheelAngleRadius(c.x, c.y, 100, 100).angle, c.angle, 1e-9) << c.x << ',' << c.y;
  }
  EXPECT_NEAR(WheelAngleRadius(103, 96, 100, 100).radius, 5.0, 1e-12);
  // Just below the right-hand horizontal stays below 360.
  const double tiny = WheelAngle(1.0, -1e-18);
  EXPECT_GE(tiny, 0.0);
  EXPECT_LT(tiny, 360.0);
}

TEST(WheelGeometry, RadialAndAxialPixelValues) {
  // Diameter 200: the radial value runs from 1 at the centre to its maximum on
  // the rim; a degenerate wheel (diameter 0) gives the maximum, not a fault.
  const double radial[][4] = {{0, 200, 100, 1},     {100, 200, 100, 100}, {100, 200, 240, 240},
                              {49.9, 200, 100, 49}, {140, 200, 255, 255}, {5, 0, 255, 255},
                              {0, 0, 255, 255}};
  for (const auto& r : radial) {
    EXPECT_EQ(RadialPixelValue(r[0], r[1], static_cast<std::int32_t>(r[2])), r[3]) << r[0];
  }
  EXPECT_EQ(AxialPixelValue(90, 360), 90.0f);
  EXPECT_EQ(AxialPixelValue(180, 240), 120.0f);
}

TEST(ColorHelpers, SnapColour) {
  struct Case {
    RgbColor in, out;
  };
  const Case cases[] = {
      {Rgb(250, 5, 251), Rgb(255, 0, 255)},     {Rgb(250, 7, 251), Rgb(250, 7, 251)},
      {Rgb(249, 249, 249), Rgb(255, 255, 255)}, {Rgb(6, 6, 6), 0},
      {Rgb(248, 0, 0), Rgb(248, 0, 0)},         {Rgb(0, 255, 3), Rgb(0, 255, 0)}};
  for (const Case& c : cases) {
    EXPECT_EQ(SnapColor(c.in), c.out) << std::hex << c.in;
  }
}

TEST(ColorHelpers, LuminanceResolvesSystemColours) {
  const SystemColorTable table;
  EXPECT_EQ(GetLuminance(Rgb(255, 0, 0), table), 54);   // 54.1875
  EXPECT_EQ(GetLuminance(Rgb(0, 255, 0), table), 182);  // 182.427
  EXPECT_EQ(GetLuminance(Rgb(0, 0, 255), table), 18);   // 18.3855

  // The default button face is light: it gets dark label text.
  const OleColor buttonFace = 0x8000000Fu;
  EXPECT_GE(GetLuminance(buttonFace, table), kLightBackgroundLuminance);
  SystemColorTable dark;
  dark.Set(SystemColor::kButtonFace, Rgb(32, 32, 32));
  EXPECT_EQ(GetLuminance(buttonFace, dark), 32);
}

TEST(SystemColors, TranslatesOnlyRealColours) {
  SystemColorTable table;
  EXPECT_EQ(table.Translate(Rgb(1, 2, 3)), Rgb(1, 2, 3));
  EXPECT_EQ(table.Translate(0x02010203u), 0x010203u);  // palette-relative colour
  EXPECT_EQ(table.Translate(0x80000005u), Rgb(255, 255, 255));
  EXPECT_TRUE(table.Set(30, Rgb(9, 9, 9)));
  EXPECT_EQ(table.Translate(0x8000001Eu), Rgb(9, 9, 9));
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
