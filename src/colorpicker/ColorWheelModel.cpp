// The colour operations of the control: ApplyColor, the single-parameter and
// component setters, the slider, the selection and colour-system changes, and
// picking from the wheel.
#include "colorpicker/ColorWheelModel.h"

#include <cmath>

#include "colorpicker/ColorWheelError.h"
#include "colorpicker/ScopedFlag.h"

namespace nimbo::colorpicker {

namespace {

bool IsRgbParameter(std::int32_t p) {
  return p >= kRed && p <= kBlue;
}

}  // namespace

ColorWheelModel::ColorWheelModel(ColorWheelView& view) : view_(view) {
  captions_ = {"Hue",
               "Lum.",
               "Sat.",
               "Red",
               "Green",
               "Blue",
               "Value",
               "Fixed",
               "Reflects color changes visually or not",
               "Select parameter",
               "Mode:"};
}

void ColorWheelModel::Notify(std::string_view name) {
  if (notifyChanges_) {
    view_.NotifyProperty(name);
  }
}

// --- ApplyColor -------------------------------------------------------------

void ColorWheelModel::ApplyColor(OleColor newColor) {
  if (newColor == kNoColor) {
    return;
  }
  const OleColor old = color_;
  color_ = newColor;
  if (newColor == old && !forceApply_) {
    return;
  }
  {
    ScopedFlag busy(busy_, true);
    const RgbColor rgb = state_.Translate(color_);
    const std::int32_t sel = state_.SelectionParameter;
    if (!(sel == kRed && !externalSet_)) {
      state_.R = RedOf(rgb);
    }
    if (!(sel == kGreen && !externalSet_)) {
      state_.G = GreenOf(rgb);
    }
    if (!(sel == kBlue && !externalSet_)) {
      state_.B = BlueOf(rgb);
    }
    double h = 0.0;
    double l = 0.0;
    double s = 0.0;
    OleColor converted = rgb;
    state_.RGBToSystem(converted, h, l, s);
    const RgbColor check = state_.SystemToRGB(h, l, s);
    const bool changed = check != old || forceApply_;
    if (changed) {
      const bool keepSelected = !(forceApply_ || externalSet_);
      if (!hFixed_ && !lFixed_ && !sFixed_) {
        if (!(sel == kSaturation && keepSelected)) {
          state_.S = s;
        }
        if (!(sel == kHue && keepSelected)) {
          state_.H = h;
        }
        if (state_.H == state_.HMax) {
          state_.H = 0.0;
        }
        // While an RGB slider moves in HSV, the value stays as it was.
        const bool rgbSliderInHsv = sliderChanging_ && IsRgbParameter(sel) && state_.IsHsv();
        if (!(sel == kLuminance && keepSelected) && !rgbSliderInHsv) {
          state_.L = l;
        }
      }
      if (!sliderChanging_ && !wheelPicking_) {
        MoveSliderToColor();
      }
      DrawShades();
    }
    // The marker is looked for in the picture as it is after the wheel's
    // recolouring; DrawWheel places it when it recolours.
    const bool wheelFixed = (sel == kLuminance || sel == kSaturation) && drawFixed_;
    const bool recoloured =
        !view_.DrawTimerRunning() && !wheelPicking_ && !wheelFixed && DrawWheel();
    if (changed && !recoloured) {
      DrawPointer();
    }
  }
  if (eventsEnabled_) {
    view_.Raise(WheelEvent::ColorChange);
    if (eventsEnabled_) {
      view_.Raise(WheelEvent::ParameterValueChange);
    }
  }
  Notify("Color");
}

void ColorWheelModel::MoveSliderToColor() {
  const ColorState& s = state_;
  switch (s.SelectionParameter) {
    case kHue:
      SetSliderValue(RoundClamped(s.HMax - s.H, INT32_MIN, INT32_MAX));
      sliderColor_ = s.SystemToRGB(s.RefH, s.L, s.S);
      break;
    case kLuminance:
      SetSliderValue(RoundClamped(s.LMax - s.L, INT32_MIN, INT32_MAX));
      sliderColor_ = s.SystemToRGB(s.H, s.RefL, s.S);
      break;
    case kSaturation:
      SetSliderValue(RoundClamped(s.SMax - s.S, INT32_MIN, INT32_MAX));
      sliderColor_ = s.SystemToRGB(s.H, s.L, s.RefS);
      break;
    case kRed:
      SetSliderValue(255 - s.R);
      sliderColor_ = PackRgb(0, s.G, s.B);
      break;
    case kGreen:
      SetSliderValue(255 - s.G);
      sliderColor_ = PackRgb(s.R, 0, s.B);
      break;
    case kBlue:
      SetSliderValue(255 - s.B);
      sliderColor_ = PackRgb(s.R, s.G, 0);
      break;
    default:
      break;
  }
}

// --- Properties that set the colour -----------------------------------------

void ColorWheelModel::SetColor(OleColor value) {
  if (value == kNoColor) {
    return;
  }
  if (!state_.SystemColors.Translate(value)) {
    throw ColorWheelError(kInvalidPropertyValue);
  }
  ScopedFlag external(externalSet_, true);
  ApplyColor(value);
}

std::string ColorWheelModel::ColorHex() const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  for (OleColor v = color_; v != 0; v >>= 4) {
    digits.insert(digits.begin(), kDigits[v & 0xF]);
  }
  if (digits.size() < 6) {
    digits.insert(0, 6 - digits.size(), '0');
  }
  return "&H" + digits + "&";
}

std::int32_t ColorWheelModel::H() const {
  return RoundClamped(state_.H, INT32_MIN, INT32_MAX);
}
std::int32_t ColorWheelModel::L() const {
  return RoundClamped(state_.L, INT32_MIN, INT32_MAX);
}
std::int32_t ColorWheelModel::S() const {
  return RoundClamped(state_.S, INT32_MIN, INT32_MAX);
}

void ColorWheelModel::SetH(std::int32_t value) {
  SetSingleParameter(kHue, value);
}
void ColorWheelModel::SetL(std::int32_t value) {
  SetSingleParameter(kLuminance, value);
}
void ColorWheelModel::SetS(std::int32_t value) {
  SetSingleParameter(kSaturation, value);
}

void ColorWheelModel::SetSingleParameter(std::int32_t parameter, std::int32_t value) {
  double& stored = parameter == kHue ? state_.H : (parameter == kLuminance ? state_.L : state_.S);
  bool& fixed = parameter == kHue ? hFixed_ : (parameter == kLuminance ? lFixed_ : sFixed_);
  const std::int32_t max = state_.ParameterMax(parameter);
  if (static_cast<double>(value) == stored) {
    return;
  }
  if (value < 0 || value > max) {
    throw ColorWheelError(kInvalidPropertyValue);
  }
  stored = (parameter == kHue && value == max) ? 0.0 : value;
  ScopedFlag flag(fixed, true);
  ScopedFlag external(externalSet_, true);
  ApplyColor(state_.SystemToRGB(state_.H, state_.L, state_.S));
  if (state_.SelectionParameter == parameter) {
    // The value is applied already; the slider only follows it.
    // From the value given: H = HMax puts the arrow at the top, though it is
    // stored as 0.
    ScopedFlag setting(parameterSetting_, true);
    SetSliderValue(max - value);
  }
  DrawAll();
  if (eventsEnabled_) {
    view_.Raise(WheelEvent::ParameterValueChange);
  }
}

void ColorWheelModel::SetR(std::int32_t value) {
  SetComponent(state_.R, value);
}
void ColorWheelModel::SetG(std::int32_t value) {
  SetComponent(state_.G, value);
}
void ColorWheelModel::SetB(std::int32_t value) {
  SetComponent(state_.B, value);
}

void ColorWheelModel::SetComponent(std::int32_t& component, std::int32_t value) {
  if (value == component) {
    return;
  }
  if (value < 0 || value > 255) {
    throw ColorWheelError(kInvalidPropertyValue);
  }
  {
    ScopedFlag external(externalSet_, true);
    component = value;
    ApplyColor(PackRgb(state_.R, state_.G, state_.B));
  }
  DrawShades();
}

// --- The slider -------------------------------------------------------------

void ColorWheelModel::InitSlider() {
  sliderMax_ = 100;
  SetSliderValue(50);
  view_.Draw(WheelDrawing::Slider);
}

void ColorWheelModel::SetSliderValue(std::int32_t value) {
  const std::int32_t clamped = value < 0 ? 0 : (value > sliderMax_ ? sliderMax_ : value);
  if (clamped == sliderValue_) {
    return;
  }
  sliderValue_ = clamped;
  view_.Draw(WheelDrawing::Slider);
  OnSliderValueChange();
}

void ColorWheelModel::StepSlider(bool up) {
  if (up && sliderValue_ > SliderMin()) {
    SetSliderValue(sliderValue_ - 1);
  } else if (!up && sliderValue_ < sliderMax_) {
    SetSliderValue(sliderValue_ + 1);
  }
}

void ColorWheelModel::OnSliderValueChange() {
  if (busy_ || selectionBusy_ || refreshing_ || parameterSetting_ || !formLoaded_) {
    return;
  }
  ScopedFlag changing(sliderChanging_, true);
  const std::int32_t p = sliderMax_ - sliderValue_;
  const std::int32_t sel = state_.SelectionParameter;
  bool* fixed = nullptr;
  switch (sel) {
    case kHue:
      fixed = &hFixed_;
      state_.H = p == state_.HMax ? 0.0 : p;
      break;
    case kLuminance:
      fixed = &lFixed_;
      state_.L = p;
      break;
    case kSaturation:
      fixed = &sFixed_;
      state_.S = p;
      break;
    case kRed:
      state_.R = p;
      break;
    case kGreen:
      state_.G = p;
      break;
    case kBlue:
      state_.B = p;
      break;
    default:
      break;
  }
  bool unused = false;
  ScopedFlag flag(fixed != nullptr ? *fixed : unused, true);
  if (!((sel == kLuminance || sel == kSaturation) && drawFixed_)) {
    view_.SetDrawTimer(true);
  }
  ApplyColor(state_.ComposeColor());
  if (eventsEnabled_) {
    view_.Raise(WheelEvent::ParameterValueChange);
  }
}

void ColorWheelModel::OnDrawTimer() {
  view_.SetDrawTimer(false);
  DrawWheel();
}

// --- Wheel picking and mouse-wheel steps -------------------------------------

void ColorWheelModel::PickColor(RgbColor picked, bool rimClamped) {
  ColorState& s = state_;
  ScopedFlag rim(s.RimClamped, rimClamped);
  sliderColor_ = picked;
  OleColor c = picked;
  double unused = 0.0;
  switch (s.SelectionParameter) {
    case kHue:
      unused = s.H;
      s.RGBToSystem(c, unused, s.L, s.S);
      break;
    case kLuminance:
      unused = s.L;
      s.RGBToSystem(c, s.H, unused, s.S);
      break;
    case kSaturation:
      unused = s.S;
      s.RGBToSystem(c, s.H, s.L, unused);
      break;
    case kRed:
      s.G = GreenOf(picked), s.B = BlueOf(picked);
      break;
    case kGreen:
      s.R = RedOf(picked), s.B = BlueOf(picked);
      break;
    case kBlue:
      s.R = RedOf(picked), s.G = GreenOf(picked);
      break;
    default:
      break;
  }
  if (rimClamped) {
    // Past the rim the radius is at its end in every selection and system.
    const std::int32_t rmax = s.RadialMax();
    switch (s.RadialParameter) {
      case kLuminance:
        s.L = rmax;
        break;
      case kSaturation:
        s.S = rmax;
        break;
      case kGreen:
        s.G = rmax;
        break;
      case kBlue:
        s.B = rmax;
        break;
      default:
        break;
    }
  }
  if (s.H == s.HMax) {
    s.H = 0.0;
  }
  ScopedFlag picking(wheelPicking_, true);
  ApplyColor(s.ComposeColor());
}

void ColorWheelModel::SetParameter(std::int32_t parameter, double value) {
  const std::int32_t v = RoundClamped(value, 0, state_.ParameterMax(parameter));
  switch (parameter) {
    case kHue:
      SetH(v);
      break;
    case kLuminance:
      SetL(v);
      break;
    case kSaturation:
      SetS(v);
      break;
    case kRed:
      SetR(v);
      break;
    case kGreen:
      SetG(v);
      break;
    case kBlue:
      SetB(v);
      break;
    default:
      break;
  }
}

void ColorWheelModel::SetAxialValue(double value) {
  SetParameter(state_.AxialParameter, value);
}

void ColorWheelModel::SetRadialValue(double value) {
  SetParameter(state_.RadialParameter, value);
}

void ColorWheelModel::WheelNotch(bool radial, bool up, bool fine) {
  if (radial) {
    const std::int32_t max = state_.RadialMax();
    const double step = fine ? 1.0 : max / 15.0;
    const double current = state_.RadialValue();
    double next = up ? RoundHalfEven(current + step) : RoundHalfEven(current - step);
    next = next < 0 ? 0 : (next > max ? max : next);
    SetRadialValue(next);
    return;
  }
  const std::int32_t max = state_.AxialMax();
  const double step = fine ? 1.0 : max / 30.0;
  // Hue is a circle whose maximum is its zero; the other parameters have
  // max + 1 distinct values round the wheel.
  const double period = state_.AxialParameter == kHue ? max : max + 1.0;
  double next = RoundHalfEven(state_.AxialValue() + (up ? step : -step));
  if (next < 0) {
    next += period;
  } else if (next > max) {
    next -= period;
  }
  SetAxialValue(next);
}

void ColorWheelModel::ShadesNotch(bool up, bool fine) {
  const double step = fine ? 1.0 : sliderMax_ / 30.0;
  // The slider's top is its maximum: up lowers SliderValue.
  const double next = up ? sliderValue_ - step : sliderValue_ + step;
  SetSliderValue(RoundClamped(next, INT32_MIN, INT32_MAX));
}

// --- Selection and colour system -------------------------------------------

void ColorWheelModel::SetSelectionParameter(std::int32_t value) {
  if (value == state_.SelectionParameter) {
    return;
  }
  if (value < kHue || value > kBlue) {
    throw ColorWheelError(kInvalidPropertyValue);
  }
  state_.SelectionParameter = value;
  Notify("SelectionParameter");
  if (selectionParametersAvailable_ != 0 && !ListContainsData(value)) {
    SetSelectionParametersAvailable(value == kHue ? 2 : 3);
  }
  ApplySelectionParameter();
  if (eventsEnabled_) {
    view_.Raise(WheelEvent::SelectionParameterChange);
  }
}

void ColorWheelModel::ApplySelectionParameter() {
  {
    ScopedFlag busy(selectionBusy_, true);
    SelectListItemByData(state_.SelectionParameter);
    view_.Update(WheelControl::SelectionList);
    state_.ApplyWheelMapping();
    wheelImageValid_ = false;
    BuildWheelImage();
    const std::int32_t sel = state_.SelectionParameter;
    sliderMax_ = state_.ParameterMax(sel);
    MoveSliderToColor();
  }
  DrawAll();
}

void ColorWheelModel::SetColorSystem(std::int32_t value) {
  if (value == state_.ColorSystem) {
    return;
  }
  if (value != kSystemHsv && value != kSystemHsl) {
    throw ColorWheelError(kInvalidPropertyValue);
  }
  const OleColor k = color_;
  color_ = kNoColor;
  state_.SwitchColorSystem(value, k);
  wheelImageValid_ = false;
  BuildWheelImage();
  {
    ScopedFlag force(forceApply_, true);
    FillParameterList();
    ApplySelectionParameter();
    ApplyColor(k);
    view_.Update(WheelControl::ColorSystemList);
  }
  DrawWheel();
  DrawShades();
  Notify("ColorSystem");
  if (eventsEnabled_) {
    view_.Raise(WheelEvent::ColorSystemChange);
  }
}

double ColorWheelModel::WheelSelectedValue() const {
  const ColorState& s = state_;
  switch (s.SelectionParameter) {
    case kHue:
      return s.H;
    case kLuminance:
      return drawFixed_ ? s.RefL : s.L;
    case kSaturation:
      return drawFixed_ ? s.RefS : s.S;
    case kRed:
      return drawFixed_ ? 0 : s.R;
    case kGreen:
      return drawFixed_ ? 0 : s.G;
    case kBlue:
      return drawFixed_ ? 0 : s.B;
    default:
      return 0;
  }
}

// --- Drawing requests ---------------------------------------------------------

void ColorWheelModel::BuildWheelImage() {
  if (!formLoaded_) {
    return;
  }
  view_.Draw(WheelDrawing::BuildWheelImage);
  wheelImageValid_ = true;
}

bool ColorWheelModel::DrawWheel() {
  if (!redraw_) {
    redrawPending_ = true;
    return false;
  }
  if (!formLoaded_) {
    return false;
  }
  view_.SetDrawTimer(false);
  redrawPending_ = false;
  if (forceApply_) {
    return false;
  }
  if (!wheelImageValid_) {
    BuildWheelImage();
  }
  view_.Draw(WheelDrawing::Wheel);
  // The marker goes on the pixel of the colour in the new picture.
  DrawPointer();
  return true;
}

void ColorWheelModel::DrawAll() {
  const bool pointerPlaced = DrawWheel();
  DrawShades();
  if (!pointerPlaced) {
    DrawPointer();
  }
}

void ColorWheelModel::DrawShades() {
  if (redrawPending_ || !formLoaded_ || forceApply_) {
    return;
  }
  view_.Draw(WheelDrawing::Shades);
}

void ColorWheelModel::DrawPointer() {
  if (redrawPending_ || !formLoaded_ || wheelPicking_ || sliderChanging_) {
    return;
  }
  view_.Draw(WheelDrawing::Pointer);
}

void ColorWheelModel::SetRedraw(bool value) {
  redraw_ = value;
  if (value && redrawPending_) {
    redrawPending_ = false;
    DrawAll();
  }
}

}  // namespace nimbo::colorpicker
