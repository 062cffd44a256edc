// The colour-wheel control's rules without a window: properties, events,
// flags, drawing requests and persistence, seen through a recording view.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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
  explicit Control(const PropertyBag* bag = nullptr, bool loaded = true) {
    model.Start(bag, true);
    if (loaded) {
      model.OnParentFormLoad();
    }
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

// What each action raises and draws. A recoloured wheel is always followed by
// a marker search, so that the marker sits on the new picture.
TEST(ColorWheelModel, EventsAndDrawingsOfEachAction) {
  using M = ColorWheelModel&;
  using Act = std::function<void(M)>;
  struct Case {
    Act setup, act;
    Events events;
    OleColor colour;             // afterwards
    int wheel, shades, pointer;  // drawings; -1: any number
    const char* notified = "";   // a property reported as changed
    bool loaded = true;
  };
  const Act none = [](M) {};
  const Act hue = [](M m) { m.SetSelectionParameter(kHue); };
  const Act red = [](M m) { m.SetColor(0x0000FF); };
  const Act set = [](M m) { m.SetColor(0x204080); };
  const Act again = [](M m) { m.SetColor(0x204080), m.SetColor(kNoColor); };
  const Act fixed = [](M m) { m.OnFixedCheckClick(false), m.SetDrawFixed(false); };
  const Act suspend = [](M m) { m.SetSelectionParameter(kHue), m.SetRedraw(false); };
  const Act resume = [](M m) { m.SetColor(0x0000FF), m.SetColor(0x00FF00), m.SetRedraw(true); };
  const Act load = [&](M m) { red(m), hue(m), m.OnParentFormLoad(); };
  const Act hueRed = [&](M m) { hue(m), red(m); };
  const Act timer = [](M m) { m.SetSliderValue(180), m.OnDrawTimer(); };
  const auto cc = kColorChange;
  const auto vc = kValueChange;
  const Case cases[] = {
      {none, set, {cc, vc}, 0x204080, 0, 1, 1, "Color"},  // value drawn fixed
      {set, again, {}, 0x204080, 0, 0, 0},
      {none, [](M m) { m.SetH(120); }, {vc}, 0x808080, 1, 1, 1},  // hue of a grey
      {none, fixed, {WheelEvent::DrawFixedChange}, 0x808080, 1, 1, 1, "DrawFixed"},
      {red, [](M m) { m.SetBackColor(0); }, {}, 0x0000FF, -1, -1, -1},
      {hue, [](M m) { m.SetColor(0xCC6633); }, {cc, vc}, 0xCC6633, 1, 1, 1},
      {suspend, resume, {cc, vc, cc, vc}, 0x00FF00, 1, -1, 1},
      {none, load, {cc, vc, WheelEvent::SelectionParameterChange}, 0x0000FF, 1, 1, 1, "", false},
      {hueRed, timer, {cc, vc, vc}, 0xFFFF00, 1, 1, 1},  // the wheel waits for the timer
      {red, [](M m) { m.SetSliderValue(40); }, {cc, vc, vc}, 0x000099, 0, 1, 0},  // no timer
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& k = cases[i];
    SCOPED_TRACE(i);
    Control c(nullptr, k.loaded);
    k.setup(c.model);
    c.view.Clear();
    k.act(c.model);
    EXPECT_EQ(c.view.events, k.events);
    EXPECT_EQ(c.model.Color(), k.colour);
    const auto& d = c.view.drawings;
    for (const auto& [what, count] : {std::pair{WheelDrawing::Wheel, k.wheel},
                                      {WheelDrawing::Shades, k.shades},
                                      {WheelDrawing::Pointer, k.pointer}}) {
      EXPECT_TRUE(count < 0 || c.view.Count(what) == count) << static_cast<int>(what);
    }
    const auto wheel = std::find(d.rbegin(), d.rend(), WheelDrawing::Wheel);
    EXPECT_TRUE(wheel == d.rend() || std::find(d.rbegin(), wheel, WheelDrawing::Pointer) != wheel);
    const auto& n = c.view.notified;
    EXPECT_TRUE(*k.notified == 0 || std::find(n.begin(), n.end(), k.notified) != n.end());
    EXPECT_EQ(std::find(n.begin(), n.end(), "BackColor"), n.end());
    EXPECT_FALSE(c.view.timer);
  }
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
  EXPECT_EQ(std::make_tuple(c.model.Color(), c.model.H(), c.model.SelectionParametersAvailable()),
            std::make_tuple(0x0000FFu, 0, 1));
  EXPECT_TRUE(c.view.events.empty());
}

// The hue of a grey is kept; hue at its maximum is stored as 0, and with hue
// on the slider the arrow goes to the top, where the maximum is drawn.
TEST(ColorWheelModel, HueOfAGreyAndHueAtItsMaximum) {
  Control c;
  c.model.SetH(120);
  EXPECT_EQ(std::make_pair(c.model.Color(), c.model.H()), std::make_pair(0x808080u, 120));
  c.model.SetColor(0x00FF00);
  c.model.SetSelectionParameter(kHue);
  c.model.SetH(360);
  EXPECT_EQ(std::make_tuple(c.model.Color(), c.model.H(), c.model.SliderValue()),
            std::make_tuple(0x0000FFu, 0, 0));
}

TEST(ColorWheelModel, SelectingAnUnlistedParameterWidensTheList) {
  Control c;
  c.model.SetSelectionParameter(kGreen);
  EXPECT_EQ(c.model.SelectionParametersAvailable(), 3);
  ASSERT_EQ(c.model.SelectionList().size(), 6u);
  EXPECT_EQ(c.model.SelectionList()[static_cast<std::size_t>(c.model.SelectionListIndex())].data,
            kGreen);
  EXPECT_EQ(c.view.events, Events{WheelEvent::SelectionParameterChange});
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
  const Hls hls = ColorRGBToHLS(0x3060C0);
  EXPECT_EQ(c.model.H(), hls.hue);
  EXPECT_EQ(c.model.L(), hls.luminance);
  EXPECT_EQ(c.model.S(), hls.saturation);
  EXPECT_EQ(c.view.events.back(), WheelEvent::ColorSystemChange);
  c.model.SetColorSystem(kSystemHsv);  // from the colour, not rescaled from 0..240
  EXPECT_EQ(std::make_tuple(c.model.H(), c.model.L(), c.model.S()), std::make_tuple(20, 75, 75));
}

// With a component selected the slider's top is 255 of it; a full refresh
// (a new background) leaves the slider at the colour.
TEST(ColorWheelModel, SliderFollowsTheColour) {
  Control c;
  c.model.SetColor(0x204080);
  for (const auto& [sel, component] : {std::pair{kRed, 0x80}, {kGreen, 0x40}, {kBlue, 0x20}}) {
    c.model.SetSelectionParameter(sel);
    EXPECT_EQ(c.model.SliderValue(), 255 - component) << sel;
  }
  c.model.SetBackColor(0x000000);
  EXPECT_EQ(c.model.SliderValue(), 255 - 0x20);
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
  for (const auto& [system, selection] : {std::pair{kSystemHsv, kLuminance},
                                          {kSystemHsv, kSaturation},
                                          {kSystemHsl, kHue},
                                          {kSystemHsl, kLuminance},
                                          {kSystemHsv, kRed},
                                          {kSystemHsl, kBlue}}) {
    Control c;
    c.model.SetColorSystem(system);
    c.model.SetSelectionParameter(selection);
    c.model.PickColor(0x6080A0, true);  // a blended rim pixel
    const ColorState& s = c.model.State();
    EXPECT_EQ(s.RadialValue(), s.RadialMax()) << system << " " << selection;
  }
}

}  // namespace
}  // namespace nimbo::colorpicker
