// The 0..240 integer conversions: reference values, agreement with a literal
// transcription of the arithmetic over every colour, and round-trip stability.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestColours.h"
#include "colorpicker/HlsConversion.h"

namespace nimbo::colorpicker {
namespace {

// Sweeps visit every colour in optimised builds; elsewhere every 7th, which
// still reaches all 256 values of each channel (7 is prime to 256).
#if defined(NDEBUG) && !defined(NIMBO_SLOW_BUILD)
constexpr long kStride = 1;
#else
constexpr long kStride = 7;
#endif

// Straightforward transcription of the RGB -> HLS arithmetic, kept apart from
// the production code on purpose.
Hls ReferenceRgbToHls(long r, long g, long b) {
  long mx = r, mn = r;
  if (g > mx)
    mx = g;
  if (b > mx)
    mx = b;
  if (g < mn)
    mn = g;
  if (b < mn)
    mn = b;
  Hls out;
  out.luminance = static_cast<int>(((mx + mn) * 240 + 255) / 510);
  if (mx == mn) {
    out.saturation = 0;
    out.hue = 160;
    return out;
  }
  long d = mx - mn;
  if (out.luminance <= 120) {
    out.saturation = static_cast<int>((d * 240 + (mx + mn) / 2) / (mx + mn));
  } else {
    out.saturation = static_cast<int>((d * 240 + (510 - mx - mn) / 2) / (510 - mx - mn));
  }
  long rn = (mx * 40 - r * 40 + d / 2) / d;
  long gn = (mx * 40 - g * 40 + d / 2) / d;
  long bn = (mx * 40 - b * 40 + d / 2) / d;
  long h;
  if (r == mx) {
    h = bn - gn;
  } else if (g == mx) {
    h = 80 + rn - bn;
  } else {
    h = 160 + gn - rn;
  }
  if (h < 0)
    h += 240;
  else if (h > 240)
    h -= 240;
  out.hue = static_cast<int>(h);
  return out;
}

long ReferenceLevel(long m1, long m2, long h) {
  if (h > 240)
    h -= 240;
  else if (h < 0)
    h += 240;
  if (h > 160)
    return m1;
  if (40 < h && h <= 120)
    return m2;
  if (120 < h && h <= 160)
    h = 160 - h;
  return (h * (m2 - m1) + 20) / 40 + m1;
}

RgbColor ReferenceHlsToRgb(long h, long l, long s) {
  if (s == 0) {
    long v = l * 255 / 240;
    return static_cast<RgbColor>(v + 256 * v + 65536 * v);
  }
  long m2 = l > 120 ? s + l - (s * l + 120) / 240 : ((s + 240) * l + 120) / 240;
  long m1 = 2 * l - m2;
  long r = (ReferenceLevel(m1, m2, h + 80) * 255 + 120) / 240;
  long g = (ReferenceLevel(m1, m2, h) * 255 + 120) / 240;
  long b = (ReferenceLevel(m1, m2, h - 80) * 255 + 120) / 240;
  return static_cast<RgbColor>(r + 256 * g + 65536 * b);
}

using test::Rgb;

TEST(HlsConversion, ReferenceColours) {
  struct Case {
    RgbColor rgb;
    Hls hls;
  };
  // Primaries and secondaries sit at luminance 120, saturation 240, hues 40 apart.
  const Case cases[] = {{Rgb(255, 0, 0), {0, 120, 240}},     {Rgb(255, 255, 0), {40, 120, 240}},
                        {Rgb(0, 255, 0), {80, 120, 240}},    {Rgb(0, 255, 255), {120, 120, 240}},
                        {Rgb(0, 0, 255), {160, 120, 240}},   {Rgb(255, 0, 255), {200, 120, 240}},
                        {Rgb(0, 0, 0), {160, 0, 0}},         {Rgb(255, 255, 255), {160, 240, 0}},
                        {Rgb(128, 128, 128), {160, 120, 0}}, {Rgb(128, 0, 0), {0, 60, 240}}};
  for (const Case& c : cases) {
    EXPECT_EQ(ColorRGBToHLS(c.rgb), c.hls) << std::hex << c.rgb;
  }
  // Chromatic colours come back exactly; the greys carry hue 160.
  for (const Case& c : cases) {
    if (c.hls.saturation != 0) {
      EXPECT_EQ(ColorHLSToRGB(c.hls.hue, c.hls.luminance, c.hls.saturation), c.rgb);
    }
  }
  EXPECT_EQ(ColorHLSToRGB(0, 240, 0), Rgb(255, 255, 255));
  EXPECT_EQ(ColorHLSToRGB(123, 0, 0), 0u);
}

TEST(HlsConversion, RgbToHlsMatchesTheArithmeticForEveryColour) {
  long mismatches = 0;
  for (long c = 0; c < (1L << 24); c += kStride) {
    const RgbColor rgb = static_cast<RgbColor>(c);
    const Hls want = ReferenceRgbToHls(c & 0xFF, (c >> 8) & 0xFF, c >> 16);
    if (!(ColorRGBToHLS(rgb) == want) && ++mismatches <= 5) {
      ADD_FAILURE() << "colour " << std::hex << c;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(HlsConversion, HlsToRgbMatchesTheArithmeticOverTheWholeScale) {
  long mismatches = 0;
  for (int h = 0; h <= 240; ++h) {
    for (int l = 0; l <= 240; l += (kStride == 1 ? 1 : 3)) {
      for (int s = 0; s <= 240; ++s) {
        if (ColorHLSToRGB(h, l, s) != ReferenceHlsToRgb(h, l, s) && ++mismatches <= 5) {
          ADD_FAILURE() << "hls " << h << ' ' << l << ' ' << s;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(HlsConversion, RoundTripIsStableForPureHuesAndExactGreys) {
  // At full saturation and half luminance every hue survives HLS -> RGB -> HLS.
  for (int h = 0; h < 240; ++h) {
    EXPECT_EQ(ColorRGBToHLS(ColorHLSToRGB(h, 120, 240)), (Hls{h, 120, 240})) << h;
  }
  // A grey of luminance L is L*255/240 truncated; it reads back as L while the
  // truncation loses at most half a luminance step (L mod 16 <= 8), else L - 1.
  for (int l = 0; l <= 240; ++l) {
    const int expected = (l % 16 <= 8) ? l : l - 1;
    EXPECT_EQ(ColorRGBToHLS(ColorHLSToRGB(160, l, 0)), (Hls{160, expected, 0})) << l;
  }
}

TEST(HlsConversion, OutOfScaleArgumentsStillGiveColours) {
  // Hue wraps modulo 240; luminance and saturation are limited to 0..240.
  EXPECT_EQ(ColorHLSToRGB(240 + 80, 120, 240), Rgb(0, 255, 0));
  EXPECT_EQ(ColorHLSToRGB(-160, 120, 240), Rgb(0, 255, 0));
  EXPECT_EQ(ColorHLSToRGB(0, 500, 240), Rgb(255, 255, 255));
  EXPECT_EQ(ColorHLSToRGB(0, 120, 999), Rgb(255, 0, 0));
  EXPECT_EQ(ColorHLSToRGB(0, -5, 240), 0u);
  // Bits above the 24-bit colour are ignored.
  EXPECT_EQ(ColorRGBToHLS(0xFF0000FFu), (Hls{0, 120, 240}));
}

}  // namespace
}  // namespace nimbo::colorpicker
