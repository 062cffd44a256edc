// The control's own RGB <-> HSV conversions.
#include <gtest/gtest.h>

#include <cmath>

#include "TestColours.h"
#include "colorpicker/HsvConversion.h"

namespace nimbo::colorpicker {
namespace {

#if defined(NDEBUG) && !defined(NIMBO_SLOW_BUILD)
constexpr long kStride = 3;
#else
constexpr long kStride = 61;  // prime to 256: still every value of each channel
#endif

using test::Rgb;

TEST(HsvConversion, ReferenceColours) {
  struct Case {
    RgbColor rgb;
    double h, v, s;
  };
  const Case cases[] = {{Rgb(255, 0, 0), 0, 100, 100},
                        {Rgb(255, 255, 0), 60, 100, 100},
                        {Rgb(0, 255, 0), 120, 100, 100},
                        {Rgb(0, 255, 255), 180, 100, 100},
                        {Rgb(0, 0, 255), 240, 100, 100},
                        {Rgb(255, 0, 255), 300, 100, 100},
                        {Rgb(128, 64, 0), 30, 12800.0 / 255, 100},
                        {Rgb(255, 128, 128), 0, 100, 12700.0 / 255},
                        {Rgb(255, 0, 1), 360 - 60.0 / 255, 100, 100}};
  for (const Case& c : cases) {
    double h = -1, v = -1, s = -1;
    RGBToHSV(c.rgb, h, v, s);
    EXPECT_NEAR(h, c.h, 1e-9) << std::hex << c.rgb;
    EXPECT_NEAR(v, c.v, 1e-9) << std::hex << c.rgb;
    EXPECT_NEAR(s, c.s, 1e-9) << std::hex << c.rgb;
  }
}

TEST(HsvConversion, ColoursWithoutHueKeepTheIncomingValues) {
  double h = 123, v = -1, s = 45;
  RGBToHSV(Rgb(0, 0, 0), h, v, s);
  EXPECT_EQ(h, 123);
  EXPECT_EQ(s, 45);
  EXPECT_EQ(v, 0);

  RGBToHSV(Rgb(128, 128, 128), h, v, s);
  EXPECT_EQ(h, 123);
  EXPECT_EQ(s, 0);
  EXPECT_NEAR(v, 50.19607843, 1e-8);
}

TEST(HsvConversion, ToRgb) {
  struct Case {
    double h, v, s;
    RgbColor rgb;
  };
  const Case cases[] = {
      {0, 100, 100, Rgb(255, 0, 0)},
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
  for (const Case& c : cases) {
    EXPECT_EQ(HSVToRGB(c.h, c.v, c.s), c.rgb) << c.h << ' ' << c.v << ' ' << c.s;
  }
}

TEST(HsvConversion, EveryColourSurvivesTheRoundTrip) {
  long mismatches = 0;
  for (long c = 0; c < (1L << 24); c += kStride) {
    double h = 0, v = 0, s = 0;
    RGBToHSV(static_cast<RgbColor>(c), h, v, s);
    if (HSVToRGB(h, v, s) != static_cast<RgbColor>(c) && ++mismatches <= 5) {
      ADD_FAILURE() << "colour " << std::hex << c;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace nimbo::colorpicker
