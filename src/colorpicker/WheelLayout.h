// The control's size rules and the places of its parts, in whole pixels: a
// square wheel at the top left, the parameter column beside it (selection
// list, shades strip and arrow), the optional controls at the column's foot.
#pragma once

namespace nimbo::colorpicker {

struct LayoutInput {
  int width = 0;
  int height = 0;
  double twipsPerPixel = 15.0;  // 1440 / logical dots per inch
  int sliderBoxWidth = 9;       // the arrow's box: arrow width + 2
  bool optionalShown = false;   // selection list, "Fixed" or colour system shown
};

struct SizeDecision {
  int paramWidth = 0;  // the column right of the wheel
  int width = 0;       // the size the control must have
  int height = 0;
  bool changed = false;  // differs from the input by at least one pixel
};

SizeDecision DecideSize(const LayoutInput& in);

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct PartPlaces {
  Rect wheel;
  Rect selectionList;
  Rect strip;
  Rect arrowBox;
  Rect fixedCheck;
  Rect colorSystem;
};

struct AreaInput {
  int width = 0;
  int height = 0;
  int paramWidth = 0;
  double twipsPerPixel = 15.0;
  int sliderBoxWidth = 9;
  int listHeight = 20;
  int checkHeight = 18;
  int colorSystemHeight = 40;
  bool listShown = false;
  bool checkShown = false;
  bool colorSystemShown = false;
};

PartPlaces PlaceParts(const AreaInput& in);

}  // namespace nimbo::colorpicker
