// The wheel's pixels, the marker, the shades strip, the slider arrow and the
// size rules, on plain buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>

#include "colorpicker/ColorWheelModel.h"
#include "colorpicker/ShadesStrip.h"
#include "colorpicker/WheelLayout.h"
#include "colorpicker/WheelMarker.h"
#include "colorpicker/WheelRaster.h"

namespace nimbo::colorpicker {
namespace {

constexpr int kSide = 260;  // the dialog's wheel
constexpr RgbColor kGreyBack = 0xF0F0F0;

ColorState StateFor(std::int32_t system, std::int32_t selection) {
  ColorState s;
  s.ColorSystem = system;
  s.SelectionParameter = selection;
  s.SetParameterRanges();
  s.ApplyWheelMapping();
  return s;
}

// Inside pixels off the rim (three blended rings) show what the conversions
// give for their stored axial and radial values; the rest the background.
TEST(WheelRaster, RecolouringMatchesTheConversionsInEverySelection) {
  const auto Near = [](RgbColor a, RgbColor b) {  // each channel within one step
    return std::abs(RedOf(a) - RedOf(b)) <= 1 && std::abs(GreenOf(a) - GreenOf(b)) <= 1 &&
           std::abs(BlueOf(a) - BlueOf(b)) <= 1;
  };
  for (const std::int32_t system : {kSystemHsv, kSystemHsl}) {
    for (std::int32_t sel = kHue; sel <= kBlue; ++sel) {
      const ColorState s = StateFor(system, sel);
      WheelRaster raster;
      raster.Prepare(kSide, kSide, kGreyBack);
      raster.Build(s);
      const double selected = s.ParameterMax(sel) * 0.37;
      raster.Recolour(s, selected);
      const auto& inside = raster.InsidePixels();
      const WheelGeometry& g = raster.Geometry();
      int mismatches = 0;
      for (std::size_t i = 0; i < inside.size(); i += 7) {
        const std::int32_t index = inside[i];
        const RgbColor expected =
            s.WheelPixelColor(raster.AxialValues()[i], raster.RadialValues()[i], selected);
        const RgbColor shown = FromPixel(raster.Pixels()[static_cast<std::size_t>(index)]);
        const RgbColor picked = raster.ColorAtPoint(index % kSide, index / kSide);
        // Integer pixels are exact; single-precision HSV ones may be a step off.
        mismatches +=
            system == kSystemHsv && sel < kRed ? !Near(picked, expected) : picked != expected;
        const bool rim = std::hypot(index % kSide - g.cx, index / kSide - g.cy) > g.Rad - 3;
        mismatches += !rim && !Near(shown, expected);
      }
      EXPECT_EQ(mismatches, 0) << "system " << system << " selection " << sel;
      EXPECT_EQ(FromPixel(raster.Pixels()[0]), kGreyBack);
    }
  }
}

// The outer ring is covered in part and shows a mix of the wheel colour and
// the background in proportion to its coverage.
TEST(WheelRaster, RimBlendsIntoTheBackground) {
  const ColorState s = StateFor(kSystemHsv, kLuminance);
  WheelRaster raster;
  raster.Prepare(kSide, kSide, 0x000000);
  raster.Build(s);
  raster.Recolour(s, 100.0);
  const auto& ring = raster.RimPixels()[0];
  const auto& coverage = raster.RimCoverage()[0];
  ASSERT_GT(ring.size(), 500u);
  int partial = 0;
  for (std::size_t k = 0; k < ring.size(); ++k) {
    const std::int32_t index = ring[k];
    const RgbColor wheel = raster.ColorAtPoint(index % kSide, index / kSide);
    const RgbColor shown = FromPixel(raster.Pixels()[static_cast<std::size_t>(index)]);
    const double c = coverage[k] / 255.0;
    partial += coverage[k] > 25 && coverage[k] < 230;
    // Neighbours of a rim pixel differ by a few steps at most.
    EXPECT_NEAR(RedOf(shown), RedOf(wheel) * c, 8.0);
    EXPECT_NEAR(GreenOf(shown), GreenOf(wheel) * c, 8.0);
    EXPECT_NEAR(BlueOf(shown), BlueOf(wheel) * c, 8.0);
  }
  EXPECT_GT(partial, 100);
}

// Even a wheel of a few pixels has every rim pixel on the disc, so no rim
// average is ever taken over nothing.
TEST(WheelRaster, RimPixelsAreOnTheDiscAtEverySize) {
  for (const int side : {0, 1, 8, 9, 10, 12, 17, 64}) {
    WheelRaster raster;
    raster.Prepare(side, side, kGreyBack);
    const ColorState s = StateFor(kSystemHsv, kHue);
    raster.Build(s);
    raster.Recolour(s, 0.0);
    for (const auto& ring : raster.RimPixels()) {
      for (const std::int32_t index : ring) {
        EXPECT_TRUE(raster.InsideWheel(index % side, index / side)) << side;
      }
    }
    EXPECT_FALSE(raster.InsideWheel(-0.5, 0));
    EXPECT_FALSE(raster.InsideWheel(side, 0));
  }
}

TEST(WheelRaster, ClampToRimEndsOnTheDiscEdge) {
  WheelRaster raster;
  raster.Prepare(kSide, kSide, kGreyBack);
  const WheelGeometry& g = raster.Geometry();
  for (const PointF outside :
       {PointF{259, 259}, PointF{0, 130}, PointF{130, 0}, PointF{255, 120}}) {
    const PointF p = raster.ClampToRim(outside.x, outside.y);
    EXPECT_TRUE(raster.InsideWheel(p.x, p.y));
    EXPECT_NEAR(std::hypot(p.x - g.cx, p.y - g.cy), g.Rad, 1.5);
  }
}

class RasterView final : public ColorWheelView {
 public:
  void Draw(WheelDrawing what) override {
    if (what == WheelDrawing::PrepareWheel) {
      raster.Prepare(kSide, kSide, kGreyBack);
    } else if (what == WheelDrawing::BuildWheelImage) {
      raster.Build(model->State());
    } else if (what == WheelDrawing::Wheel) {
      raster.Recolour(model->State(), model->WheelSelectedValue());
    } else if (what == WheelDrawing::Pointer) {
      marker = MarkerPosition(raster, model->State(), model->Color());
    }
  }
  void Update(WheelControl) override {}
  void Raise(WheelEvent) override {}
  void NotifyProperty(std::string_view) override {}
  void SetDrawTimer(bool) override {}
  bool DrawTimerRunning() const override { return false; }

  ColorWheelModel* model = nullptr;
  WheelRaster raster;
  std::optional<PointF> marker;
};

long Brightness(const std::vector<std::uint32_t>& pixels) {
  long sum = 0;
  for (const std::uint32_t p : pixels) {
    sum += (p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF);
  }
  return sum;
}

TEST(WheelRaster, FixedWheelIgnoresValueAndDarkensWithoutIt) {
  RasterView view;
  ColorWheelModel model(view);
  view.model = &model;
  model.Start(nullptr, false);
  model.SetColor(0x0000FF);
  const auto before = view.raster.Pixels();
  model.SetL(40);
  model.DrawWheel();
  EXPECT_EQ(view.raster.Pixels(), before);
  model.SetDrawFixed(false);
  const long at40 = Brightness(view.raster.Pixels());
  EXPECT_LT(at40, Brightness(before));  // drawn at the value now
  model.SetL(20);
  EXPECT_LT(Brightness(view.raster.Pixels()), at40);
}

TEST(WheelMarker, GreySitsAtTheCentreAndColoursOnTheirPixel) {
  RasterView view;
  ColorWheelModel model(view);
  view.model = &model;
  model.Start(nullptr, false);
  const WheelGeometry& g = view.raster.Geometry();
  ASSERT_TRUE(view.marker);
  EXPECT_EQ(std::make_pair(view.marker->x, view.marker->y), std::make_pair(1.0 * g.cx, 1.0 * g.cy));
  // Hue selected: the marker is on the pixel of the colour in the new picture.
  model.SetSelectionParameter(kHue);
  model.SetColor(0xCC6633);
  EXPECT_EQ(view.raster.ShownColorAt(view.marker->x, view.marker->y), 0xCC6633u);
  // Red lies on the rim, blended into the background: the search goes by the
  // pixels shown (the place from a reference of the written drawing rules).
  model.SetColor(0x0000FF);
  EXPECT_EQ(std::make_pair(view.marker->x, view.marker->y), std::make_pair(255.0, 132.0));
  model.SetColor(0x08394C);  // two pixels as near: the smaller dx wins
  EXPECT_EQ(std::make_pair(view.marker->x, view.marker->y), std::make_pair(95.0, 22.0));
}

TEST(WheelMarker, ColourAndModeFollowTheLuminance) {
  struct Case {
    int luminance;
    double insideRim;
    MarkerStyle expected;
  };
  constexpr RgbColor kWhite = 0xFFFFFF;
  for (const Case& k :
       {Case{49, 100, {kWhite, MarkerMode::InvertScreen}},
        Case{50, 100, {kWhite, MarkerMode::Copy}}, Case{110, 100, {kWhite, MarkerMode::Copy}},
        Case{80, 5, {kWhite, MarkerMode::InvertScreen}}, Case{111, 0, {0x000000, MarkerMode::Copy}},
        Case{200, 0, {0x000000, MarkerMode::Copy}},
        Case{201, 100, {kWhite, MarkerMode::InvertScreen}}}) {
    EXPECT_EQ(MarkerStyleFor(k.luminance, k.insideRim, 8.0), k.expected) << k.luminance;
  }
}

// Of a strip's rows (y = 1..rows) the row at y shows (rows - y) / rows of the
// maximum: the bottom row 0, the top row one step below it (for hue, red
// rather than the black of 360). Picking a row gives back what it shows.
TEST(ShadesStrip, RowsShowTheirShareAndPickingIsTheInverse) {
  struct Case {
    std::int32_t system, selection;
    RgbColor slider, top, bottom;
  };
  for (const Case& k : {Case{kSystemHsv, kLuminance, 0xFF0000, 0xFC0000, 0},      // blue, value 99
                        Case{kSystemHsv, kHue, 0x808080, 0x0F00FF, 0x0000FF},     // hue 356.4
                        Case{kSystemHsv, kRed, 0x00FF00, 0x0000FC, 0x000000}}) {  // red 252.45
    const std::vector<RgbColor> rows =
        ShadesRows(StateFor(k.system, k.selection), k.slider, true, 100);
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ(std::make_pair(rows.front(), rows.back()), std::make_pair(k.top, k.bottom));
  }
  for (const int count : {100, 258}) {
    const std::vector<RgbColor> reds = ShadesRows(StateFor(kSystemHsv, kRed), 0, true, count);
    for (int y = 1; y <= count; ++y) {
      ASSERT_EQ(255 - ShadesSliderValueAt(y + 0.5, count + 2, 255),
                RedOf(reds[static_cast<std::size_t>(y - 1)]))
          << count << " " << y;
    }
    EXPECT_EQ(ShadesSliderValueAt(0, count + 2, 255), 0);  // above the rows: the maximum
    EXPECT_EQ(ShadesSliderValueAt(count + 1, count + 2, 255), 255);
  }
  // An HSL grey reports hue 160: that one row of the hue strip is black.
  ColorState hsl = StateFor(kSystemHsl, kHue);
  for (const bool fixed : {false, true}) {
    const std::vector<RgbColor> hues = ShadesRows(hsl, 0x808080, fixed, 240);
    for (std::size_t row = 0; row < hues.size(); ++row) {
      EXPECT_EQ(hues[row] == 0, !fixed && row == 239 - 160) << row;
    }
  }
  EXPECT_EQ(ShadesRows(StateFor(kSystemHsv, kHue), 0x808080, false, 360)[159], 0x808080u);
}

TEST(ShadesStrip, ArrowFollowsTheValueAndAnEmptyRangeIsWidened) {
  EXPECT_EQ(ArrowTipY(260, 14, 0, 0, 0), ArrowTipY(260, 14, 0, 1, 0));
  EXPECT_EQ(ArrowTipY(260, 14, 0, 0, 1), 260 - 7);
  EXPECT_EQ(ArrowTipY(260, 14, 0, 100, 0), 7);
  for (const int value : {0, 13, 50, 99, 100}) {
    EXPECT_EQ(ArrowSliderValueAt(ArrowTipY(260, 14, 0, 100, value), 260, 14, 0, 100), value);
  }
}

// The size rules in order (pixels at 15 twips): the wheel fits beside the
// column, the height is made even (halves to even) before the minimum for the
// optional controls; the width follows unless within 1.3 pixels.
TEST(WheelLayout, DecidedSizes) {
  struct Case {
    int w, h;
    bool optional;
    int wantW, wantH;
  };
  for (const Case& k : {Case{308, 260, false, 308, 260},  // the dialog's control
                        Case{307, 260, false, 307, 260},  // 0.67 pixels narrow: kept
                        Case{309, 260, false, 308, 260},  // 1.33 pixels wide: not
                        Case{305, 257, false, 304, 256},  // 128.5 pairs round to 128
                        Case{329, 253, false, 300, 252},  // 126.5 pairs round to 126
                        Case{300, 246, true, 294, 246},   // 247 pixels are 3705 twips
                        Case{300, 100, true, 295, 247},   // 3700 twips, after the even step
                        Case{100, 10, false, 88, 54}}) {
    const SizeDecision d = DecideSize({k.w, k.h, 15.0, 9, k.optional});
    EXPECT_EQ(std::make_pair(d.width, d.height), std::make_pair(k.wantW, k.wantH))
        << k.w << "x" << k.h;
    EXPECT_EQ(d.changed, k.wantW != k.w || k.wantH != k.h);
  }
}

}  // namespace
}  // namespace nimbo::colorpicker
