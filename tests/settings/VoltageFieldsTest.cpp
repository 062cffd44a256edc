// The number texts and the voltage monitoring boxes: reading typed text as a
// number, rounding halves to even, the shown texts, limit corrections with
// their beeps and what reaches the image.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "settings/NumberText.h"
#include "settings/VoltageFields.h"

namespace nimbo::settings {
namespace {

TEST(NumberText, NumericValueAndRoundingHalvesToEven) {
  const std::pair<const char*, double> texts[] = {
      {"", 0},        {"abc", 0},     {" 4 . 7\t5\n", 4.75},
      {"- 5", -5},    {"\t-\n3", -3}, {"1.2.3", 1.2},
      {"12abc", 12},  {"-", 0},       {".5", 0.5},
      {"5.", 5},      {"--5", 0},     {"+5", 0},
      {"4,5", 4},     {"1\r2", 1},    {"5-3", 5},
      {"-.25", -0.25}};
  for (const auto& [text, value] : texts) {
    EXPECT_EQ(NumericValue(text), value) << '"' << text << '"';
  }
  EXPECT_EQ(NumericValue(std::string(400, '9')), INFINITY);
  EXPECT_EQ(NumericValue("-" + std::string(400, '9') + ".5"), -INFINITY);
  // Far below the smallest double: 0, on either side.
  for (const char* sign : {"", "-"}) {
    EXPECT_EQ(NumericValue(sign + ("0." + std::string(400, '0')) + "1"), 0.0) << sign;
    EXPECT_EQ(NumericValue(sign + ("." + std::string(400, '0')) + "1"), 0.0) << sign;
  }

  const std::pair<double, double> rounded[] = {{2.5, 2},  {3.5, 4},   {-0.5, 0},
                                               {0.5, 0},  {-1.5, -2}, {-2.5, -2},
                                               {0.49, 0}, {0.51, 1},  {2.5000001, 3}};
  for (const auto& [in, out] : rounded) {
    EXPECT_EQ(RoundHalfEven(in), out) << in;
  }
}

TEST(NumberText, OffsetAndVoltageTexts) {
  // Offset: sign and magnitude, the magnitude's rightmost three characters.
  const std::pair<int, const char*> offsets[] = {
      {0, " 0"},    {5, " 5"},     {99, " 99"},   {100, "100"},  {127, "127"}, {128, "128"},
      {129, "- 1"}, {178, "- 50"}, {227, "- 99"}, {228, "-100"}, {255, "-127"}};
  for (const auto& [stored, text] : offsets) {
    EXPECT_EQ(OffsetText(static_cast<std::uint8_t>(stored)), text) << stored;
  }
  // Voltages: blank-led, no trailing zeros, rightmost four; 0xFFFF is " 655.35".
  const std::pair<int, const char*> voltages[] = {{465, "4.65"},  {505, "5.05"}, {450, " 4.5"},
                                                  {500, " 5"},    {550, " 5.5"}, {5, "0.05"},
                                                  {65535, "5.35"}};
  for (const auto& [stored, text] : voltages) {
    EXPECT_EQ(VoltageText(static_cast<std::uint16_t>(stored)), text) << stored;
  }
}

struct LeaveCase {
  VoltageBox box;
  const char* typed;
  const char* shown;  // text after the focus leaves
  int beeps;
  int stored;  // voltage word (hundredths) or offset byte
};

constexpr VoltageBox kMin = VoltageBox::Min, kMax = VoltageBox::Max, kOff = VoltageBox::Offset;
constexpr LeaveCase kLeaveCases[] = {
    {kMin, "abc", "4.50", 1, 450},    {kMin, "4.96", "4.95", 1, 495},
    {kMin, "4.5", "4.5", 0, 450},     {kMin, "4.7x9", "4.7x9", 0, 470},
    {kMin, "4.625", "4.625", 0, 462}, {kMin, "4.875", "4.875", 0, 488},
    {kMax, "5", "5.05", 1, 505},      {kMax, "5.5", "5.5", 0, 550},
    {kMax, "99999", "5.5", 1, 550},   {kMax, "-5.3", "5.05", 1, 505},
    {kOff, "abc", "abc", 0, 0},       {kOff, "130", "127", 1, 127},
    {kOff, "-5", "-5", 0, 133},       {kOff, "- 5", "- 5", 0, 133},
    {kOff, "-0.4", "-0.4", 0, 0},     {kOff, "-0.5", "-0.5", 0, 0},
    {kOff, "2.5", "2.5", 0, 2},       {kOff, "3.5", "3.5", 0, 4},
    {kOff, "-127", "-127", 0, 255},   {kOff, "127.4", "127", 1, 127},
    {kOff, "-127.2", "-127", 1, 255}, {kOff, "-126.5", "-126.5", 0, 254}};

TEST(VoltageFields, LeavingABoxCorrectsAndStoresOnlyItsField) {
  for (const LeaveCase& c : kLeaveCases) {
    SettingsArray bytes{};
    bytes.fill(0xEE);
    const Correction result = LeaveVoltageBox(bytes, c.box, c.typed);
    EXPECT_EQ(result.text, c.shown) << '"' << c.typed << '"';
    EXPECT_EQ(result.beeps, c.beeps) << '"' << c.typed << '"';
    SettingsArray expected{};
    expected.fill(0xEE);
    if (c.box == kOff) {
      expected[15] = static_cast<std::uint8_t>(c.stored);
    } else {
      const std::size_t first = c.box == kMin ? 64 : 66;
      expected[first] = static_cast<std::uint8_t>(c.stored / 256);
      expected[first + 1] = static_cast<std::uint8_t>(c.stored % 256);
    }
    EXPECT_EQ(bytes, expected) << '"' << c.typed << '"';
  }
}

}  // namespace
}  // namespace nimbo::settings
