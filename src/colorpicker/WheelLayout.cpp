#include "colorpicker/WheelLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "colorpicker/ColorValue.h"

namespace nimbo::colorpicker {

namespace {

constexpr double kTallTwips = 2400;       // from here the column is wider
constexpr double kTallColumnTwips = 580;  // column beyond the arrow box
constexpr double kShortColumnTwips = 380;
constexpr double kOptionalMinTwips = 3700;  // room for the optional controls
constexpr double kMinBeyondColumnTwips = 300;
constexpr double kTallSpacingTwips = 280;  // between the column's parts
constexpr double kShortSpacingTwips = 200;
constexpr int kWheelGap = 4;               // pixels between wheel and strip
constexpr double kWidthSlackPixels = 1.3;  // a width this close to the rule is kept

int Pixels(double twips, double tpp) {
  return static_cast<int>(std::lround(twips / tpp));
}

}  // namespace

SizeDecision DecideSize(const LayoutInput& in) {
  const double tpp = in.twipsPerPixel > 0 ? in.twipsPerPixel : 15.0;
  const int w = std::max(in.width, 0);
  int h = std::max(in.height, 0);
  // The column in exact pixels (its twips need not make whole pixels); a size
  // given to the control is in whole pixels.
  const auto column = [&](int height) {
    const double twips = height * tpp >= kTallTwips ? kTallColumnTwips : kShortColumnTwips;
    return in.sliderBoxWidth + twips / tpp;
  };
  const auto whole = [](double pixels) { return static_cast<int>(std::lround(pixels)); };
  const double pw = column(h);
  // The square wheel must fit beside the column.
  if (w - pw < h + 1) {
    h = whole(w - pw);
  }
  // An even height puts the wheel's centre on a whole pixel; halves go to even.
  if (h % 2 != 0) {
    h = 2 * static_cast<int>(RoundHalfEven(h / 2.0));
  }
  // The minimum for the optional controls comes after, and may leave h odd.
  if (in.optionalShown && (h + 1) * tpp < kOptionalMinTwips) {
    h = whole(kOptionalMinTwips / tpp);
  }
  if (h < pw + kMinBeyondColumnTwips / tpp) {
    h = whole(pw + kMinBeyondColumnTwips / tpp);
  }
  // The width goes with the column of the height decided, so that the size
  // given back is taken as it is rather than narrowed again on the next pass.
  const double finalColumn = column(h);
  SizeDecision out;
  out.height = h;
  out.paramWidth = whole(finalColumn);
  out.width = std::abs(w - (h + finalColumn)) > kWidthSlackPixels ? whole(h + finalColumn) : w;
  out.changed = out.width != w || out.height != in.height;
  return out;
}

PartPlaces PlaceParts(const AreaInput& in) {
  const double tpp = in.twipsPerPixel > 0 ? in.twipsPerPixel : 15.0;
  const int spacing =
      Pixels(in.height * tpp >= kTallTwips ? kTallSpacingTwips : kShortSpacingTwips, tpp);
  PartPlaces p;
  const int side = std::max(std::min(in.height, in.width - in.paramWidth), 0);
  p.wheel = {0, 0, side, side};
  const int left = side + kWheelGap;
  const int columnWidth = std::max(in.width - left, 0);
  int top = 0;
  if (in.listShown) {
    p.selectionList = {left, 0, columnWidth, in.listHeight};
    top = in.listHeight + spacing / 2;
  }
  int bottom = in.height;
  if (in.colorSystemShown) {
    bottom -= in.colorSystemHeight;
    p.colorSystem = {left, bottom, columnWidth, in.colorSystemHeight};
    bottom -= spacing / 2;
  }
  if (in.checkShown) {
    bottom -= in.checkHeight;
    p.fixedCheck = {left, bottom, columnWidth, in.checkHeight};
    bottom -= spacing / 2;
  }
  const int stripHeight = std::max(bottom - top, 0);
  const int stripWidth = std::max(columnWidth - in.sliderBoxWidth, 0);
  p.strip = {left, top, stripWidth, stripHeight};
  p.arrowBox = {left + stripWidth, top, in.sliderBoxWidth, stripHeight};
  return p;
}

}  // namespace nimbo::colorpicker
