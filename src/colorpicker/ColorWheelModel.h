// The colour-wheel control without its pictures: the colour, the flags, the
// slider, the selection list, and the rules that decide what is redrawn and
// which event fires when. The control widget implements ColorWheelView and
// turns the model's requests into drawing, widget updates and Qt signals.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "colorpicker/ColorState.h"
#include "colorpicker/ColorValue.h"
#include "colorpicker/PropertyBag.h"

namespace nimbo::colorpicker {

enum class WheelEvent {
  ColorChange,
  ParameterValueChange,
  SelectionParameterChange,
  DrawFixedChange,
  ColorSystemChange,
};

// What the view must draw. PrepareWheel and BuildWheelImage recompute the
// wheel's per-pixel data; the others paint from what is stored.
enum class WheelDrawing { PrepareWheel, BuildWheelImage, Wheel, Shades, Pointer, Slider };

// Sub-controls the view must bring in line with the model.
enum class WheelControl {
  SelectionList,    // items and selected index
  ColorSystemList,  // selected index
  FixedCheck,       // checked state
  Captions,         // check box, tool tips, "Mode:"
  Visibility,       // check box and colour-system selector shown or hidden
  Layout,           // the whole control (Resize)
  ParameterArea,    // the column beside the wheel
  BackColor,        // background and label colours
  MessageHook,      // start the mouse-wheel hook
};

class ColorWheelView {
 public:
  virtual void Draw(WheelDrawing what) = 0;
  virtual void Update(WheelControl what) = 0;
  virtual void Raise(WheelEvent event) = 0;
  // A persisted property changed (told only while NotifyChanges holds).
  virtual void NotifyProperty(std::string_view name) = 0;
  // The deferred wheel redraw; when it fires the view calls OnDrawTimer.
  virtual void SetDrawTimer(bool running) = 0;
  virtual bool DrawTimerRunning() const = 0;

 protected:
  ~ColorWheelView() = default;
};

struct ListItem {
  std::string text;
  std::int32_t data = 0;
};

class ColorWheelModel {
 public:
  static constexpr OleColor kDefaultColor = 0x808080;
  static constexpr OleColor kDefaultBackColor = 0x8000000F;  // button face
  static constexpr std::int32_t kDefaultSelectionParametersAvailable = 1;
  static constexpr std::int32_t kCaptionCount = 11;

  explicit ColorWheelModel(ColorWheelView& view);

  // Start-up: the defaults (bag null) or the host's stored properties, then the
  // first full refresh. Without a parent form drawing is allowed at once.
  void Start(const PropertyBag* bag, bool hasParentForm);
  void WriteProperties(PropertyBag& bag) const;
  // The parent window's first show: drawing starts.
  void OnParentFormLoad();
  // The wheel's picture changed size: its per-pixel data and all drawing again.
  void OnWheelResized();

  // Properties. Setters throw ColorWheelError(380) for a value out of range
  // and then leave everything unchanged.
  OleColor Color() const { return color_; }
  void SetColor(OleColor value);
  std::string ColorHex() const;
  std::int32_t H() const;
  std::int32_t L() const;
  std::int32_t S() const;
  void SetH(std::int32_t value);
  void SetL(std::int32_t value);
  void SetS(std::int32_t value);
  std::int32_t R() const { return state_.R; }
  std::int32_t G() const { return state_.G; }
  std::int32_t B() const { return state_.B; }
  void SetR(std::int32_t value);
  void SetG(std::int32_t value);
  void SetB(std::int32_t value);
  std::int32_t SelectionParametersAvailable() const { return selectionParametersAvailable_; }
  void SetSelectionParametersAvailable(std::int32_t value);
  bool DrawFixedControlVisible() const { return drawFixedControlVisible_; }
  void SetDrawFixedControlVisible(bool value);
  bool ColorSystemControlVisible() const { return colorSystemControlVisible_; }
  void SetColorSystemControlVisible(bool value);
  bool DrawFixed() const { return drawFixed_; }
  void SetDrawFixed(bool value);
  std::int32_t SelectionParameter() const { return state_.SelectionParameter; }
  void SetSelectionParameter(std::int32_t value);
  std::int32_t ColorSystem() const { return state_.ColorSystem; }
  void SetColorSystem(std::int32_t value);
  OleColor BackColor() const { return backColor_; }
  void SetBackColor(OleColor value);
  bool Redraw() const { return redraw_; }
  void SetRedraw(bool value);

  // Localised texts, identifiers 0..10; anything else throws ColorWheelError(9).
  void SetCaption(std::int32_t id, std::string_view text);
  std::string GetCaption(std::int32_t id) const;

  // The sub-controls' user actions.
  void OnSelectionListClick(std::int32_t index);
  void OnColorSystemListClick(std::int32_t index);
  void OnFixedCheckClick(bool checked);
  void OnDrawTimer();

  // The slider: SliderValue 0 is the top, the parameter's maximum.
  std::int32_t SliderMin() const { return 0; }
  std::int32_t SliderMax() const { return sliderMax_; }
  std::int32_t SliderValue() const { return sliderValue_; }
  void SetSliderValue(std::int32_t value);
  void InitSlider();
  // Up (towards the maximum) or down by one, not past the ends.
  void StepSlider(bool up);

  // A colour picked from the wheel (already snapped); with rimClamped the
  // pointer was moved onto the rim and the radial parameter takes its maximum.
  void PickColor(RgbColor picked, bool rimClamped);
  // One mouse-wheel notch over the wheel: the axial (or, radial) parameter up or
  // down by a thirtieth (fifteenth) of its range, or by 1 with fine set.
  void WheelNotch(bool radial, bool up, bool fine);
  // One notch over the shades strip.
  void ShadesNotch(bool up, bool fine);
  void SetAxialValue(double value);
  void SetRadialValue(double value);

  // What the drawing needs.
  const ColorState& State() const { return state_; }
  RgbColor SliderColor() const { return sliderColor_; }
  bool FormLoaded() const { return formLoaded_; }
  bool EventsEnabled() const { return eventsEnabled_; }
  bool NotifyChanges() const { return notifyChanges_; }
  // The value the wheel is drawn with for the selected parameter.
  double WheelSelectedValue() const;
  RgbColor Translate(OleColor colour) const { return state_.Translate(colour); }
  // The resolved system colours; the view fills them from the desktop palette.
  void SetSystemColors(const SystemColorTable& table) { state_.SystemColors = table; }

  // The list text of a parameter (of parameter 1, the current system's).
  std::string ParameterText(std::int32_t parameter) const;
  const std::vector<ListItem>& SelectionList() const { return list_; }
  std::int32_t SelectionListIndex() const { return listIndex_; }

  // Drawing requests, each with its preconditions (Redraw, FormLoaded, ...).
  // DrawWheel tells whether it recoloured the wheel; it then also placed the
  // marker, searching the new picture.
  bool DrawWheel();
  void DrawShades();
  void DrawPointer();
  // Wheel, shades strip and marker.
  void DrawAll();

 private:
  void ApplyColor(OleColor newColor);
  // Through the parameter's property, rounded and limited to its range.
  void SetParameter(std::int32_t parameter, double value);
  void SetSingleParameter(std::int32_t parameter, std::int32_t value);
  void SetComponent(std::int32_t& component, std::int32_t value);
  void OnSliderValueChange();
  void ApplySelectionParameter();
  void FillParameterList();
  bool SelectListItemByData(std::int32_t data);
  bool ListContainsData(std::int32_t data) const;
  void BuildWheelImage();
  void RefreshAll();
  void MoveSliderToColor();
  void Notify(std::string_view name);

  ColorWheelView& view_;
  ColorState state_;
  OleColor color_ = kDefaultColor;
  OleColor backColor_ = kDefaultBackColor;
  std::int32_t selectionParametersAvailable_ = kDefaultSelectionParametersAvailable;
  bool drawFixedControlVisible_ = false;
  bool colorSystemControlVisible_ = false;
  bool drawFixed_ = true;

  bool redraw_ = true;
  bool redrawPending_ = false;
  bool wheelImageValid_ = false;
  bool formLoaded_ = false;
  bool eventsEnabled_ = false;
  bool notifyChanges_ = false;
  bool externalSet_ = false;
  bool forceApply_ = false;
  bool busy_ = false;
  bool selectionBusy_ = false;
  bool refreshing_ = false;
  bool parameterSetting_ = false;
  bool hFixed_ = false;
  bool lFixed_ = false;
  bool sFixed_ = false;
  bool sliderChanging_ = false;
  bool wheelPicking_ = false;

  std::int32_t sliderMax_ = 100;
  std::int32_t sliderValue_ = 0;
  RgbColor sliderColor_ = 0;

  std::array<std::string, kCaptionCount> captions_;
  std::vector<ListItem> list_;
  std::int32_t listIndex_ = -1;
};

}  // namespace nimbo::colorpicker
