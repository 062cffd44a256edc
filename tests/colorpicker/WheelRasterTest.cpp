// The wheel's pixels, the marker, the shades strip, the slider arrow and the
// size rules, on plain buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

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

bool OnRim(const WheelRaster& raster, std::int32_t index) {
  for (const auto& ring : raster.RimPixels()) {
    if (std::find(ring.begin(), ring.end(), index) != ring.end()) {
      return true;
    }
  }
  return false;
}

// Channels apart by at most one step (the wheel's HSV pixels are worked out in
// single precision).
bool Near(RgbColor a, RgbColor b) {
  return std::abs(RedOf(a) - RedOf(b)) <= 1 && std::abs(GreenOf(a) - GreenOf(b)) <= 1 &&
         std::abs(BlueOf(a) - BlueOf(b)) <= 1;
}

// Every inside pixel away from the rim shows what the colour conversions give
// for its stored axial and radial value; the rest shows the background.
TEST(WheelRaster, RecolouringMatchesTheConversionsInEverySelection) {
  for (const std::int32_t system : {kSystemHsv, kSystemHsl}) {
    for (std::int32_t sel = kHue; sel <= kBlue; ++sel) {
      const ColorState s = StateFor(system, sel);
      WheelRaster raster;
      raster.Prepare(kSide, kSide, kGreyBack);
      raster.Build(s);
      const double selected = s.ParameterMax(sel) * 0.37;
      raster.Recolour(s, selected);
      const auto& inside = raster.InsidePixels();
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
        mismatches += !OnRim(raster, index) && !Near(shown, expected);
      }
      EXPECT_EQ(mismatches, 0) << "system " << system << " selection " << sel;
      EXPECT_EQ(FromPixel(raster.Pixels()[0]), kGreyBack);
    }
  }
}

TEST(WheelRaster, AnglesRunCounterClockwiseFromTheRight) {
  const ColorState s = StateFor(kSystemHsv, kLuminance);  // hue round the angle
  WheelRaster raster;
  raster.Prepare(kSide, kSide, kGreyBack);
  raster.Build(s);
  const WheelGeometry& g = raster.Geometry();
  const auto axialAt = [&](int x, int y) {
    const auto& inside = raster.InsidePixels();
    const auto it = std::find(inside.begin(), inside.end(), y * kSide + x);
    return raster.AxialValues()[static_cast<std::size_t>(it - inside.begin())];
  };
  EXPECT_FLOAT_EQ(axialAt(g.cx, g.cy - 50), 90.0f);
  EXPECT_FLOAT_EQ(axialAt(g.cx - 50, g.cy), 180.0f);
  EXPECT_FLOAT_EQ(axialAt(g.cx, g.cy + 50), 270.0f);
  EXPECT_FLOAT_EQ(axialAt(g.cx + 50, g.cy), 0.0f);
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
    }
  }
  void Update(WheelControl) override {}
  void Raise(WheelEvent) override {}
  void NotifyProperty(std::string_view) override {}
  void SetDrawTimer(bool) override {}
  bool DrawTimerRunning() const override { return false; }

  ColorWheelModel* model = nullptr;
  WheelRaster raster;
};

long Brightness(const WheelRaster& raster) {
  long sum = 0;
  for (const std::uint32_t p : raster.Pixels()) {
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
  const long at40 = Brightness(view.raster);
  model.SetL(20);
  EXPECT_LT(Brightness(view.raster), at40);
  EXPECT_LT(at40, [&] {
    WheelRaster fixed;
    fixed.Prepare(kSide, kSide, kGreyBack);
    fixed.Build(model.State());
    return Brightness(fixed);  // built at full value
  }());
}

TEST(WheelMarker, GreySitsAtTheCentreAndColoursOnTheirPixel) {
  RasterView view;
  ColorWheelModel model(view);
  view.model = &model;
  model.Start(nullptr, false);
  const WheelGeometry& g = view.raster.Geometry();
  auto at = MarkerPosition(view.raster, model.State(), model.Color());
  ASSERT_TRUE(at);
  EXPECT_EQ(at->x, g.cx);
  EXPECT_EQ(at->y, g.cy);
  // Green at full saturation: on the rim, a third of the way round.
  model.SetColor(0x00FF00);
  at = MarkerPosition(view.raster, model.State(), model.Color());
  ASSERT_TRUE(at);
  EXPECT_NEAR(std::atan2(g.cy - at->y, at->x - g.cx) * 180 / 3.14159265, 120.0, 1.5);
  EXPECT_NEAR(std::hypot(at->x - g.cx, at->y - g.cy), g.Rad, 2.0);
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

TEST(ShadesStrip, TopRowIsTheMaximumAndPickingIsItsInverse) {
  ColorState s = StateFor(kSystemHsv, kLuminance);
  const std::vector<RgbColor> rows = ShadesRows(s, 0x0000FF, true, 100);
  ASSERT_EQ(rows.size(), 100u);
  EXPECT_EQ(rows.front(), 0x0000FFu);
  EXPECT_EQ(rows.back(), 0x000000u);
  // Strip of 102 pixels: rows 1..100 drawn.
  EXPECT_EQ(ShadesSliderValueAt(1, 102, 100), 0);
  EXPECT_EQ(ShadesSliderValueAt(100, 102, 100), 100);
  EXPECT_EQ(ShadesSliderValueAt(240, 102, 100), 100);
  // An HSL grey reports hue 160: that one row of the hue strip is black.
  ColorState hsl = StateFor(kSystemHsl, kHue);
  for (const bool fixed : {false, true}) {
    const std::vector<RgbColor> hues = ShadesRows(hsl, 0x808080, fixed, 241);
    for (std::size_t row = 0; row < hues.size(); ++row) {
      EXPECT_EQ(hues[row] == 0, !fixed && row == 240 - 160) << row;
    }
  }
  EXPECT_EQ(ShadesRows(StateFor(kSystemHsv, kHue), 0x808080, false, 361)[200], 0x808080u);
}

TEST(ShadesStrip, ArrowFollowsTheValueAndAnEmptyRangeIsWidened) {
  EXPECT_EQ(ArrowTipY(260, 14, 0, 0, 0), ArrowTipY(260, 14, 0, 1, 0));
  EXPECT_EQ(ArrowTipY(260, 14, 0, 0, 1), 260 - 7);
  EXPECT_EQ(ArrowTipY(260, 14, 0, 100, 0), 7);
  for (const int value : {0, 13, 50, 99, 100}) {
    EXPECT_EQ(ArrowSliderValueAt(ArrowTipY(260, 14, 0, 100, value), 260, 14, 0, 100), value);
  }
}

// The size a control is given back is accepted as it is: the control never
// keeps resizing itself.
TEST(WheelLayout, DecidedSizesAreStable) {
  for (const bool optional : {false, true}) {
    for (const int w : {0, 50, 200, 308, 311, 500}) {
      for (const int h : {0, 31, 160, 259, 260, 400}) {
        const SizeDecision first = DecideSize({w, h, 15.0, 9, optional});
        const SizeDecision again = DecideSize({first.width, first.height, 15.0, 9, optional});
        EXPECT_FALSE(again.changed) << w << "x" << h;
        EXPECT_EQ(first.height % 2, 0);
        EXPECT_EQ(first.width, first.height + first.paramWidth);
        EXPECT_TRUE(!optional || first.height >= 247);
      }
    }
  }
  EXPECT_FALSE(DecideSize({308, 260, 15.0, 9, false}).changed);  // the dialog's control
}

}  // namespace
}  // namespace nimbo::colorpicker
