// The control's start-up, persistence, captions, selection list and the
// properties that change its look rather than its colour.
#include <algorithm>

#include "colorpicker/ColorWheelError.h"
#include "colorpicker/ColorWheelModel.h"
#include "colorpicker/ScopedFlag.h"

namespace nimbo::colorpicker {

namespace {

constexpr std::int64_t kTrue = -1;  // how the property bag stores a set flag

// Reads a whole number that must lie in [lo, hi]; anything else (a damaged or
// foreign bag) gives the default.
std::int64_t ReadRange(const PropertyBag& bag, std::string_view name, std::int64_t fallback,
                       std::int64_t lo, std::int64_t hi) {
  const std::int64_t v = bag.ReadProperty(name, fallback);
  return (v >= lo && v <= hi) ? v : fallback;
}

bool ReadFlag(const PropertyBag& bag, std::string_view name, bool fallback) {
  return bag.ReadProperty(name, fallback ? kTrue : 0) != 0;
}

constexpr std::int32_t kCaptionLum = 1;
constexpr std::int32_t kCaptionValue = 6;
constexpr std::int32_t kLastParameterCaption = 6;

}  // namespace

void ColorWheelModel::Start(const PropertyBag* bag, bool hasParentForm) {
  if (bag != nullptr) {
    const SystemColorTable& table = state_.SystemColors;
    const auto colour = [&](std::string_view name, OleColor fallback) {
      const std::int64_t v = bag->ReadProperty(name, fallback);
      const bool valid = v >= 0 && v <= 0xFFFFFFFF && table.Translate(static_cast<OleColor>(v));
      return valid ? static_cast<OleColor>(v) : fallback;
    };
    color_ = colour("Color", kDefaultColor);
    selectionParametersAvailable_ = static_cast<std::int32_t>(ReadRange(
        *bag, "SelectionParametersAvailable", kDefaultSelectionParametersAvailable, 0, 3));
    drawFixedControlVisible_ = ReadFlag(*bag, "DrawFixedControlVisible", false);
    colorSystemControlVisible_ = ReadFlag(*bag, "ColorSystemControlVisible", false);
    drawFixed_ = ReadFlag(*bag, "DrawFixed", true);
    state_.SelectionParameter =
        static_cast<std::int32_t>(ReadRange(*bag, "SelectionParameter", kLuminance, kHue, kBlue));
    state_.ColorSystem = static_cast<std::int32_t>(
        ReadRange(*bag, "ColorSystem", kSystemHsv, kSystemHsv, kSystemHsl));
    backColor_ = colour("BackColor", kDefaultBackColor);
  }
  state_.ApplyWheelMapping();

  FillParameterList();
  if (!SelectListItemByData(state_.SelectionParameter)) {
    if (selectionParametersAvailable_ == 0) {
      listIndex_ = static_cast<std::int32_t>(list_.size()) - 1;
    } else {
      listIndex_ = listIndex_ != 0 ? 0 : -1;
    }
  }
  view_.Update(WheelControl::SelectionList);
  view_.Update(WheelControl::ColorSystemList);
  view_.Update(WheelControl::Captions);
  view_.Update(WheelControl::BackColor);
  formLoaded_ = !hasParentForm;

  RefreshAll();
  eventsEnabled_ = true;
  view_.Update(WheelControl::MessageHook);
}

void ColorWheelModel::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty("Color", color_, kDefaultColor);
  bag.WriteProperty("SelectionParametersAvailable", selectionParametersAvailable_,
                    kDefaultSelectionParametersAvailable);
  bag.WriteProperty("DrawFixedControlVisible", drawFixedControlVisible_ ? kTrue : 0, 0);
  bag.WriteProperty("ColorSystemControlVisible", colorSystemControlVisible_ ? kTrue : 0, 0);
  bag.WriteProperty("DrawFixed", drawFixed_ ? kTrue : 0, kTrue);
  bag.WriteProperty("SelectionParameter", state_.SelectionParameter, kLuminance);
  bag.WriteProperty("ColorSystem", state_.ColorSystem, kSystemHsv);
  bag.WriteProperty("BackColor", backColor_, kDefaultBackColor);
}

void ColorWheelModel::OnParentFormLoad() {
  if (formLoaded_) {
    return;
  }
  formLoaded_ = true;
  wheelImageValid_ = false;
  BuildWheelImage();
  DrawAll();
}

void ColorWheelModel::OnWheelResized() {
  view_.Draw(WheelDrawing::PrepareWheel);
  wheelImageValid_ = false;
  BuildWheelImage();
  DrawAll();
}

void ColorWheelModel::RefreshAll() {
  // A full refresh redraws; it is no colour change of its own, and the slider's
  // temporary position must not feed back into the colour.
  ScopedFlag refreshing(refreshing_, true);
  ScopedFlag events(eventsEnabled_, false);
  const RgbColor rgb = state_.Translate(color_);
  const bool redraw = redraw_;
  redraw_ = false;

  InitSlider();
  view_.Draw(WheelDrawing::PrepareWheel);
  wheelImageValid_ = false;
  state_.SetParameterRanges();
  ApplySelectionParameter();

  state_.R = RedOf(rgb);
  state_.G = GreenOf(rgb);
  state_.B = BlueOf(rgb);
  OleColor converted = rgb;
  state_.RGBToSystem(converted, state_.H, state_.L, state_.S);
  ApplyColor(rgb);
  DrawPointer();
  view_.Update(WheelControl::ParameterArea);
  view_.Update(WheelControl::Visibility);
  view_.Update(WheelControl::FixedCheck);

  const OleColor k = color_;
  color_ = kNoColor;
  {
    ScopedFlag force(forceApply_, true);
    ApplyColor(k);
  }
  SetRedraw(redraw);
  notifyChanges_ = true;
}

// --- Look and layout properties ---------------------------------------------

void ColorWheelModel::SetSelectionParametersAvailable(std::int32_t value) {
  if (value < 0 || value > 3) {
    throw ColorWheelError(kInvalidPropertyValue);
  }
  const bool wasNone = selectionParametersAvailable_ == 0;
  selectionParametersAvailable_ = value;
  FillParameterList();
  view_.Update(WheelControl::SelectionList);
  if (wasNone != (value == 0)) {
    view_.Update(WheelControl::Layout);
  }
  view_.Update(WheelControl::ParameterArea);
  Notify("SelectionParametersAvailable");
}

void ColorWheelModel::SetDrawFixedControlVisible(bool value) {
  drawFixedControlVisible_ = value;
  view_.Update(WheelControl::Visibility);
  view_.Update(WheelControl::Layout);
  Notify("DrawFixedControlVisible");
}

void ColorWheelModel::SetColorSystemControlVisible(bool value) {
  colorSystemControlVisible_ = value;
  view_.Update(WheelControl::Layout);
  view_.Update(WheelControl::Visibility);
  Notify("ColorSystemControlVisible");
}

void ColorWheelModel::SetDrawFixed(bool value) {
  if (value == drawFixed_) {
    return;
  }
  drawFixed_ = value;
  view_.Update(WheelControl::FixedCheck);
  DrawWheel();
  DrawShades();
  Notify("DrawFixed");
  if (eventsEnabled_) {
    view_.Raise(WheelEvent::DrawFixedChange);
  }
}

void ColorWheelModel::SetBackColor(OleColor value) {
  if (!state_.SystemColors.Translate(value)) {
    throw ColorWheelError(kInvalidPropertyValue);
  }
  backColor_ = value;
  view_.Update(WheelControl::BackColor);
  RefreshAll();
}

// --- Captions and the selection list ----------------------------------------

void ColorWheelModel::SetCaption(std::int32_t id, std::string_view text) {
  if (id < 0 || id >= kCaptionCount) {
    throw ColorWheelError(kSubscriptOutOfRange);
  }
  captions_[static_cast<std::size_t>(id)] = std::string(text);
  if (id <= kLastParameterCaption) {
    FillParameterList();
    view_.Update(WheelControl::SelectionList);
  } else {
    view_.Update(WheelControl::Captions);
  }
}

std::string ColorWheelModel::GetCaption(std::int32_t id) const {
  if (id < 0 || id >= kCaptionCount) {
    throw ColorWheelError(kSubscriptOutOfRange);
  }
  return captions_[static_cast<std::size_t>(id)];
}

std::string ColorWheelModel::ParameterText(std::int32_t parameter) const {
  if (parameter == kLuminance) {
    return captions_[state_.IsHsv() ? kCaptionValue : kCaptionLum];
  }
  if (parameter < kHue || parameter > kBlue) {
    return {};
  }
  return captions_[static_cast<std::size_t>(parameter)];
}

void ColorWheelModel::FillParameterList() {
  if (selectionParametersAvailable_ == 0) {
    return;
  }
  const bool hadSelection = listIndex_ >= 0 && listIndex_ < static_cast<std::int32_t>(list_.size());
  const std::int32_t selected =
      hadSelection ? list_[static_cast<std::size_t>(listIndex_)].data : -1;
  list_.clear();
  listIndex_ = -1;
  const std::int32_t first = selectionParametersAvailable_ == 1 ? kLuminance : kHue;
  const std::int32_t last = selectionParametersAvailable_ == 3 ? kBlue : kSaturation;
  for (std::int32_t p = first; p <= last; ++p) {
    list_.push_back({ParameterText(p), p});
  }
  if (!hadSelection || !SelectListItemByData(selected)) {
    listIndex_ = 0;
  }
}

bool ColorWheelModel::SelectListItemByData(std::int32_t data) {
  const auto it = std::find_if(list_.begin(), list_.end(),
                               [data](const ListItem& i) { return i.data == data; });
  if (it == list_.end()) {
    return false;
  }
  listIndex_ = static_cast<std::int32_t>(it - list_.begin());
  return true;
}

bool ColorWheelModel::ListContainsData(std::int32_t data) const {
  return std::any_of(list_.begin(), list_.end(),
                     [data](const ListItem& i) { return i.data == data; });
}

void ColorWheelModel::OnSelectionListClick(std::int32_t index) {
  if (index < 0 || index >= static_cast<std::int32_t>(list_.size())) {
    return;
  }
  listIndex_ = index;
  SetSelectionParameter(list_[static_cast<std::size_t>(index)].data);
}

void ColorWheelModel::OnColorSystemListClick(std::int32_t index) {
  SetColorSystem(index);
}

void ColorWheelModel::OnFixedCheckClick(bool checked) {
  SetDrawFixed(checked);
}

}  // namespace nimbo::colorpicker
