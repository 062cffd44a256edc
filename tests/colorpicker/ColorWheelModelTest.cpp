// The colour-wheel control's rules without a window: properties, events,
// flags, persistence and the mouse-wheel steps, seen through a recording view.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "colorpicker/ColorWheelError.h"
#include "colorpicker/ColorWheelModel.h"
#include "colorpicker/HlsConversion.h"

namespace nimbo::colorpicker {
namespace {

class RecordingView final : public ColorWheelView {
 public:
  void Draw(WheelDrawing what) override { drawings.push_back(what); }
  void Update(WheelControl) override {}
  void Raise(WheelEvent event) override { events.push_back(event); }
  void NotifyProperty(std::string_view name) override { notified.emplace_back(name); }
  void SetDrawTimer(bool running) override { timer = running; }
  bool DrawTimerRunning() const override { return timer; }

  int Count(WheelDrawing what) const {
    return static_cast<int>(std::count(drawings.begin(), drawings.end(), what));
  }
  void Clear() {
    drawings.clear();
    events.clear();
    notified.clear();
  }

  std::vector<WheelDrawing> drawings;
  std::vector<WheelEvent> events;
  std::vector<std::string> notified;
  bool timer = false;
};

using Events = std::vector<WheelEvent>;
constexpr auto kColorChange = WheelEvent::ColorChange;
constexpr auto kValueChange = WheelEvent::ParameterValueChange;

// A control as its host holds it: started, its form loaded, records cleared.
struct Control {
  explicit Control(const PropertyBag* bag = nullptr) {
    model.Start(bag, true);
    model.OnParentFormLoad();
    view.Clear();
  }
  RecordingView view;
  ColorWheelModel model{view};
};

std::int32_t ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ColorWheelError& e) {
    EXPECT_STREQ(e.Source(), "ColorWheel");
    return e.Number();
  }
  return 0;
}

TEST(ColorWheelModel, NewInstanceHasItsDefaults) {
  Control c;
  EXPECT_EQ(c.model.Color(), 0x808080u);
  EXPECT_EQ(c.model.ColorHex(), "&H808080&");
  EXPECT_EQ(c.model.ColorSystem(), kSystemHsv);
  EXPECT_EQ(c.model.SelectionParameter(), kLuminance);
  EXPECT_TRUE(c.model.DrawFixed());
  EXPECT_EQ(c.model.BackColor(), 0x8000000Fu);
  // The list offers the second and third parameter, value selected.
  ASSERT_EQ(c.model.SelectionList().size(), 2u);
  EXPECT_EQ(c.model.SelectionList()[0].text, "Value");
  EXPECT_EQ(c.model.SelectionListIndex(), 0);
}

TEST(ColorWheelModel, ColorHexPadsToSixDigits) {
  Control c;
  for (const auto& [colour, hex] : std::vector<std::pair<OleColor, std::string>>{
           {0x0000FF, "&H0000FF&"}, {0x80000005, "&H80000005&"}, {0, "&H000000&"}}) {
    c.model.SetColor(colour);
    EXPECT_EQ(c.model.ColorHex(), hex);
  }
}

TEST(ColorWheelModel, SettingColorRaisesEventsOnlyForANewValue) {
  Control c;
  c.model.SetColor(0x204080);
  EXPECT_EQ(c.view.events, (Events{kColorChange, kValueChange}));
  EXPECT_EQ(c.model.R(), 0x80);
  EXPECT_EQ(c.model.B(), 0x20);
  c.view.Clear();
  c.model.SetColor(0x204080);
  c.model.SetColor(kNoColor);
  EXPECT_TRUE(c.view.events.empty());
  EXPECT_EQ(c.model.Color(), 0x204080u);
}

TEST(ColorWheelModel, BadValuesRaiseAndChangeNothing) {
  Control c;
  c.model.SetColor(0x0000FF);
  c.view.Clear();
  EXPECT_EQ(ErrorOf([&] { c.model.SetH(361); }), 380);
  EXPECT_EQ(ErrorOf([&] { c.model.SetS(-1); }), 380);
  EXPECT_EQ(ErrorOf([&] { c.model.SetR(256); }), 380);
  EXPECT_EQ(ErrorOf([&] { c.model.SetSelectionParametersAvailable(4); }), 380);
  EXPECT_EQ(ErrorOf([&] { c.model.SetSelectionParameter(6); }), 380);
  EXPECT_EQ(ErrorOf([&] { c.model.SetColor(0x12345678); }), 380);
  EXPECT_EQ(ErrorOf([&] { c.model.SetCaption(11, "x"); }), 9);
  EXPECT_EQ(ErrorOf([&] { (void)c.model.GetCaption(-1); }), 9);
  EXPECT_EQ(c.model.Color(), 0x0000FFu);
  EXPECT_EQ(c.model.H(), 0);
  EXPECT_EQ(c.model.SelectionParametersAvailable(), 1);
  EXPECT_TRUE(c.view.events.empty());
}

// Hue of a grey changes no colour; hue at its maximum is stored as 0.
TEST(ColorWheelModel, HueOfAGreyAndHueAtItsMaximum) {
  Control c;
  c.model.SetH(120);
  EXPECT_EQ(c.view.events, Events{kValueChange});
  EXPECT_EQ(std::make_pair(c.model.Color(), c.model.H()), std::make_pair(0x808080u, 120));
  c.model.SetColor(0x00FF00);
  c.model.SetH(360);
  EXPECT_EQ(std::make_pair(c.model.Color(), c.model.H()), std::make_pair(0x0000FFu, 0));
}

TEST(ColorWheelModel, SelectingAnUnlistedParameterWidensTheList) {
  Control c;
  c.model.SetSelectionParameter(kGreen);
  EXPECT_EQ(c.model.SelectionParametersAvailable(), 3);
  ASSERT_EQ(c.model.SelectionList().size(), 6u);
  EXPECT_EQ(c.model.SelectionList()[static_cast<std::size_t>(c.model.SelectionListIndex())].data,
            kGreen);
  EXPECT_EQ(c.view.events, Events{WheelEvent::SelectionParameterChange});
  EXPECT_EQ(c.model.State().RadialParameter, kBlue);
  EXPECT_EQ(c.model.State().AxialParameter, kRed);
  EXPECT_EQ(c.model.SliderMax(), 255);
  Control hue;  // hue needs only the first three
  hue.model.SetSelectionParameter(kHue);
  EXPECT_EQ(hue.model.SelectionParametersAvailable(), 2);
}

TEST(ColorWheelModel, ValueCaptionShowsOnlyInHsv) {
  Control c;
  c.model.SetCaption(6, "Wert");
  EXPECT_EQ(c.model.SelectionList()[0].text, "Wert");
  c.model.SetColorSystem(kSystemHsl);
  EXPECT_EQ(c.model.SelectionList()[0].text, "Lum.");
  EXPECT_EQ(c.model.GetCaption(1), "Lum.");
  EXPECT_EQ(c.model.GetCaption(6), "Wert");
}

TEST(ColorWheelModel, SwitchingTheColourSystemKeepsTheColour) {
  Control c;
  c.model.SetColor(0x3060C0);
  c.view.Clear();
  c.model.SetColorSystem(kSystemHsl);
  EXPECT_EQ(c.model.Color(), 0x3060C0u);
  EXPECT_EQ(c.model.State().HMax, 240);
  const Hls hls = ColorRGBToHLS(0x3060C0);
  EXPECT_EQ(c.model.H(), hls.hue);
  EXPECT_EQ(c.model.L(), hls.luminance);
  EXPECT_EQ(c.model.S(), hls.saturation);
  EXPECT_EQ(c.view.events.back(), WheelEvent::ColorSystemChange);
}

TEST(ColorWheelModel, SliderSetsTheSelectedParameter) {
  Control c;
  c.model.SetColor(0x0000FF);
  c.view.Clear();
  c.model.SetSliderValue(40);  // value 60 of 100
  EXPECT_EQ(c.model.L(), 60);
  EXPECT_EQ(c.model.Color(), 0x000099u);
  EXPECT_EQ(c.view.events, (Events{kColorChange, kValueChange, kValueChange}));
  // Value is drawn fixed: the wheel waits for no timer.
  EXPECT_FALSE(c.view.timer);
  // With a component selected the slider's top is 255 of it.
  c.model.SetColor(0x204080);
  for (const auto& [sel, component] : {std::pair{kRed, 0x80}, {kGreen, 0x40}, {kBlue, 0x20}}) {
    c.model.SetSelectionParameter(sel);
    EXPECT_EQ(c.model.SliderValue(), 255 - component) << sel;
  }
}

TEST(ColorWheelModel, BackColorChangeKeepsTheColourAndRaisesNothing) {
  Control c;
  c.model.SetColor(0x0000FF);
  c.view.Clear();
  c.model.SetBackColor(0x000000);
  EXPECT_TRUE(c.view.events.empty());
  EXPECT_EQ(c.model.Color(), 0x0000FFu);
  EXPECT_EQ(c.model.SliderValue(), 0);  // value 100 at the top
  for (const std::string& name : c.view.notified) {
    EXPECT_NE(name, "BackColor");
  }
}

TEST(ColorWheelModel, DrawFixedRaisesItsEventOnlyOnAChange) {
  Control c;
  c.model.OnFixedCheckClick(false);
  c.model.SetDrawFixed(false);
  EXPECT_EQ(c.view.events, Events{WheelEvent::DrawFixedChange});
  EXPECT_EQ(c.view.notified, std::vector<std::string>{"DrawFixed"});
}

TEST(ColorWheelModel, NothingIsDrawnBeforeTheFormLoads) {
  RecordingView view;
  ColorWheelModel model(view);
  model.Start(nullptr, true);
  model.SetColor(0x0000FF);
  model.SetSelectionParameter(kHue);
  EXPECT_EQ(view.Count(WheelDrawing::Wheel), 0);
  EXPECT_EQ(view.Count(WheelDrawing::Shades), 0);
  EXPECT_EQ(view.Count(WheelDrawing::Pointer), 0);
  model.OnParentFormLoad();
  EXPECT_EQ(view.Count(WheelDrawing::Wheel), 1);
  EXPECT_GE(view.Count(WheelDrawing::Shades), 1);
}

TEST(ColorWheelModel, SuspendedRedrawDrawsOnceWhenResumed) {
  Control c;
  c.model.SetSelectionParameter(kHue);  // the wheel depends on the colour
  c.model.SetRedraw(false);
  c.view.Clear();
  c.model.SetColor(0x0000FF);
  c.model.SetColor(0x00FF00);
  EXPECT_EQ(c.view.Count(WheelDrawing::Wheel), 0);
  c.model.SetRedraw(true);
  EXPECT_EQ(c.view.Count(WheelDrawing::Wheel), 1);
}

TEST(ColorWheelModel, PropertyBagRoundTrip) {
  Control first;
  first.model.SetColor(0x102030);
  first.model.SetSelectionParametersAvailable(3);
  first.model.SetDrawFixedControlVisible(true);
  first.model.SetColorSystemControlVisible(true);
  first.model.SetDrawFixed(false);
  first.model.SetSelectionParameter(kBlue);
  first.model.SetColorSystem(kSystemHsl);
  first.model.SetBackColor(0x80000005);
  PropertyBag bag;
  first.model.WriteProperties(bag);
  std::vector<std::string> names;
  for (const auto& e : bag.Entries()) {
    names.push_back(e.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Color", "SelectionParametersAvailable",
                                             "DrawFixedControlVisible", "ColorSystemControlVisible",
                                             "DrawFixed", "SelectionParameter", "ColorSystem",
                                             "BackColor"}));
  Control second(&bag);
  const auto& m = second.model;
  EXPECT_EQ(std::make_tuple(m.Color(), m.SelectionParametersAvailable(),
                            m.DrawFixedControlVisible(), m.ColorSystemControlVisible(),
                            m.DrawFixed(), m.SelectionParameter(), m.ColorSystem(), m.BackColor()),
            std::make_tuple(0x102030u, 3, true, true, false, kBlue, kSystemHsl, 0x80000005u));
  EXPECT_EQ(second.model.SelectionList()[1].text, "Lum.");
}

TEST(ColorWheelModel, DamagedBagEntriesFallBackToDefaults) {
  PropertyBag bag;
  bag.WriteProperty("SelectionParametersAvailable", 9, 1);
  bag.WriteProperty("SelectionParameter", -4, 1);
  bag.WriteProperty("ColorSystem", 7, 0);
  bag.WriteProperty("Color", 0x7F000000, 0x808080);
  Control c(&bag);
  EXPECT_EQ(std::make_tuple(c.model.SelectionParametersAvailable(), c.model.SelectionParameter(),
                            c.model.ColorSystem(), c.model.Color()),
            std::make_tuple(1, kLuminance, kSystemHsv, 0x808080u));
}

TEST(ColorWheelModel, PickingPastTheRimGivesTheRadialMaximum) {
  struct Case {
    std::int32_t system, selection;
  };
  for (const Case k :
       {Case{kSystemHsv, kLuminance}, Case{kSystemHsv, kSaturation}, Case{kSystemHsl, kHue},
        Case{kSystemHsl, kLuminance}, Case{kSystemHsv, kRed}, Case{kSystemHsl, kBlue}}) {
    Control c;
    c.model.SetColorSystem(k.system);
    c.model.SetSelectionParameter(k.selection);
    c.model.PickColor(0x6080A0, true);  // a blended rim pixel
    const ColorState& s = c.model.State();
    EXPECT_EQ(s.RadialValue(), s.RadialMax()) << k.system << " " << k.selection;
  }
}

// Mouse-wheel notches round the angle: hue wraps at its maximum, which stands
// for 0 (the control's window test steps it further); the other parameters
// have max + 1 values and skip none.
TEST(ColorWheelModel, WheelNotchesWrapRoundTheAngle) {
  struct Case {
    std::int32_t selection;
    OleColor colour;
    bool up, fine;
    std::int32_t expected;  // the axial parameter afterwards
  };
  const std::vector<Case> cases = {
      {kLuminance, 0x0000FF, false, true, 359},  // hue 0 down one
      {kHue, 0x000000, false, true, 100},        // value 0 down to 100
      {kRed, 0x000000, false, true, 255},        // green 0 down to 255
      {kRed, 0x00FF00, true, true, 0},           // green 255 up to 0
  };
  for (const Case& k : cases) {
    Control c;
    c.model.SetSelectionParameter(k.selection);
    c.model.SetColor(k.colour);
    c.model.WheelNotch(false, k.up, k.fine);
    EXPECT_EQ(c.model.State().AxialValue(), k.expected) << k.selection << " " << k.colour;
  }
}

TEST(ColorWheelModel, RadialNotchesStopAtTheEnds) {
  Control c;
  c.model.SetColor(0x0000FF);  // saturation 100 on the radius
  c.model.WheelNotch(true, true, false);
  EXPECT_EQ(c.model.S(), 100);
  c.model.WheelNotch(true, false, true);
  EXPECT_EQ(c.model.S(), 99);
}

}  // namespace
}  // namespace nimbo::colorpicker
