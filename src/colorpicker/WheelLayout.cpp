#include "colorpicker/WheelLayout.h"

#include <algorithm>
#include <cmath>

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
constexpr int kWheelGap = 4;  // pixels between wheel and strip

int Pixels(double twips, double tpp) {
  return static_cast<int>(std::lround(twips / tpp));
}

int EvenUp(int v) {
  return v % 2 == 0 ? v : v + 1;
}

}  // namespace

SizeDecision DecideSize(const LayoutInput& in) {
  const double tpp = in.twipsPerPixel > 0 ? in.twipsPerPixel : 15.0;
  const int w = std::max(in.width, 0);
  int h = std::max(in.height, 0);
  const auto column = [&](int height) {
    const double twips = height * tpp >= kTallTwips ? kTallColumnTwips : kShortColumnTwips;
    return in.sliderBoxWidth + Pixels(twips, tpp);
  };
  SizeDecision out;
  const int pw = column(h);
  // The square wheel must fit beside the column.
  if (w - pw < h) {
    h = w - pw;
  }
  if (in.optionalShown) {
    h = std::max(h, static_cast<int>(std::ceil(kOptionalMinTwips / tpp)));
  }
  h = std::max(h, pw + Pixels(kMinBeyondColumnTwips, tpp));
  h = EvenUp(h);  // the wheel's centre falls on a whole pixel
  out.height = h;
  // The column that goes with the height decided, so that the size given back
  // is accepted as it is.
  out.paramWidth = column(h);
  out.width = h + out.paramWidth;
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
