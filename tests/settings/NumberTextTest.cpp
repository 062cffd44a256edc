// Reading typed text as a number, rounding halves to even, and the texts of
// the offset and voltage boxes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "settings/NumberText.h"

namespace nimbo::settings {
namespace {

TEST(NumberText, NumericValueOfText) {
  struct Case {
    std::string text;
    double value;
  };
  const Case cases[] = {
      {"", 0},       {"abc", 0},      {"4.75", 4.75}, {" 4 . 7\t5\n", 4.75},
      {"-5", -5},    {"- 5", -5},     {"\t-\n3", -3}, {"1.2.3", 1.2},
      {"12abc", 12}, {"-", 0},        {".", 0},       {".5", 0.5},
      {"5.", 5},     {"--5", 0},      {"+5", 0},      {"4,5", 4},
      {"1\r2", 1},   {"-0.4", -0.4},  {"0007", 7},    {"5-3", 5},
      {"x5", 0},     {"-.25", -0.25}, {"255", 255},   {"4.95", 4.95},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NumericValue(c.text), c.value) << '"' << c.text << '"';
  }
  EXPECT_FALSE(std::signbit(NumericValue("-0")));
  EXPECT_FALSE(std::signbit(NumericValue("-")));
  EXPECT_EQ(NumericValue(std::string(400, '9')), INFINITY);
  EXPECT_EQ(NumericValue("-" + std::string(400, '9')), -INFINITY);
}

TEST(NumberText, RoundsHalvesToEven) {
  struct Case {
    double in, out;
  };
  const Case cases[] = {{2.5, 2},     {3.5, 4},     {-0.5, 0},      {0.5, 0},  {1.5, 2},
                        {-1.5, -2},   {-2.5, -2},   {0.49, 0},      {0.51, 1}, {-0.4, 0},
                        {462.5, 462}, {487.5, 488}, {-127.5, -128}, {7, 7},    {2.5000001, 3}};
  for (const Case& c : cases) {
    EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
  }
  EXPECT_FALSE(std::signbit(RoundHalfEven(-0.5)));
}

TEST(NumberText, OffsetTextIsSignAndRightmostThree) {
  struct Case {
    int stored;
    const char* text;
  };
  const Case cases[] = {{0, " 0"},     {5, " 5"},     {50, " 50"},  {99, " 99"},  {100, "100"},
                        {127, "127"},  {128, "128"},  {129, "- 1"}, {133, "- 5"}, {178, "- 50"},
                        {227, "- 99"}, {228, "-100"}, {255, "-127"}};
  for (const Case& c : cases) {
    EXPECT_EQ(OffsetText(static_cast<std::uint8_t>(c.stored)), c.text) << c.stored;
  }
}

// The exact decimal of v/100 (at most five significant digits, which a
// single-precision value written with seven keeps), blank-led, last four kept.
std::string ReferenceVoltageText(int v) {
  std::string text = " " + std::to_string(v / 100);
  if (v % 100 != 0) {
    text += '.';
    text += static_cast<char>('0' + (v % 100) / 10);
    if (v % 10 != 0) {
      text += static_cast<char>('0' + v % 10);
    }
  }
  return text.size() <= 4 ? text : text.substr(text.size() - 4);
}

TEST(NumberText, VoltageTextWorkedExamples) {
  struct Case {
    int stored;
    const char* text;
  };
  const Case cases[] = {{465, "4.65"}, {475, "4.75"}, {505, "5.05"},   {535, "5.35"}, {450, " 4.5"},
                        {500, " 5"},   {550, " 5.5"}, {65535, "5.35"}, {5, "0.05"}};
  for (const Case& c : cases) {
    EXPECT_EQ(VoltageText(static_cast<std::uint16_t>(c.stored)), c.text) << c.stored;
  }
}

TEST(NumberText, VoltageTextOfEveryStoredValue) {
  for (int v = 0; v <= 65535; ++v) {
    ASSERT_EQ(VoltageText(static_cast<std::uint16_t>(v)), ReferenceVoltageText(v)) << v;
  }
}

}  // namespace
}  // namespace nimbo::settings
