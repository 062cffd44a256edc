// The voltage monitoring boxes: limit corrections with their beeps, what
// reaches the image, and the key filter.
#include <gtest/gtest.h>

#include "settings/VoltageFields.h"

namespace nimbo::settings {
namespace {

struct LeaveCase {
  VoltageBox box;
  const char* typed;
  const char* shown;  // text after the focus leaves
  int beeps;
  int stored;  // voltage word (hundredths) or offset byte
};

// Expected words worked out by hand: 450 = 1*256+194, 550 = 2*256+38, ...
constexpr LeaveCase kLeaveCases[] = {
    {VoltageBox::Min, "4.3", "4.50", 1, 450},
    {VoltageBox::Min, "4.95", "4.95", 0, 495},
    {VoltageBox::Min, "4.5", "4.5", 0, 450},
    {VoltageBox::Min, "", "4.50", 1, 450},
    {VoltageBox::Min, "abc", "4.50", 1, 450},
    {VoltageBox::Min, "4.96", "4.95", 1, 495},
    {VoltageBox::Min, "4.75", "4.75", 0, 475},
    {VoltageBox::Min, "4.7x9", "4.7x9", 0, 470},
    {VoltageBox::Min, "4.625", "4.625", 0, 462},
    {VoltageBox::Min, "4.875", "4.875", 0, 488},
    {VoltageBox::Min, " 4 .6", " 4 .6", 0, 460},
    {VoltageBox::Max, "5.6", "5.5", 1, 550},
    {VoltageBox::Max, "5.05", "5.05", 0, 505},
    {VoltageBox::Max, "5.5", "5.5", 0, 550},
    {VoltageBox::Max, "5", "5.05", 1, 505},
    {VoltageBox::Max, "99999", "5.5", 1, 550},
    {VoltageBox::Max, "-5.3", "5.05", 1, 505},
    {VoltageBox::Offset, "", "", 0, 0},
    {VoltageBox::Offset, "-200", "-127", 1, 255},
    {VoltageBox::Offset, "130", "127", 1, 127},
    {VoltageBox::Offset, "-3", "-3", 0, 131},
    {VoltageBox::Offset, "-5", "-5", 0, 133},
    {VoltageBox::Offset, "- 5", "- 5", 0, 133},
    {VoltageBox::Offset, "-0.4", "-0.4", 0, 0},
    {VoltageBox::Offset, "-0.5", "-0.5", 0, 0},
    {VoltageBox::Offset, "2.5", "2.5", 0, 2},
    {VoltageBox::Offset, "3.5", "3.5", 0, 4},
    {VoltageBox::Offset, "127", "127", 0, 127},
    {VoltageBox::Offset, "-127", "-127", 0, 255},
    {VoltageBox::Offset, "127.4", "127", 1, 127},
    {VoltageBox::Offset, "-127.2", "-127", 1, 255},
    {VoltageBox::Offset, "-126.5", "-126.5", 0, 254},
};

TEST(VoltageFields, LeavingABoxCorrectsAndStores) {
  for (const LeaveCase& c : kLeaveCases) {
    SettingsArray bytes{};
    bytes.fill(0xEE);
    const Correction result = LeaveVoltageBox(bytes, c.box, c.typed);
    EXPECT_EQ(result.text, c.shown) << '"' << c.typed << '"';
    EXPECT_EQ(result.beeps, c.beeps) << '"' << c.typed << '"';
    std::size_t first = 15;
    std::size_t count = 1;
    if (c.box != VoltageBox::Offset) {
      first = c.box == VoltageBox::Min ? 64 : 66;
      count = 2;
      EXPECT_EQ(bytes[first], c.stored / 256) << '"' << c.typed << '"';
      EXPECT_EQ(bytes[first + 1], c.stored % 256) << '"' << c.typed << '"';
    } else {
      EXPECT_EQ(bytes[first], c.stored) << '"' << c.typed << '"';
    }
    for (std::size_t at = 0; at < bytes.size(); ++at) {
      if (at < first || at >= first + count) {
        EXPECT_EQ(bytes[at], 0xEE) << "byte " << at << " for \"" << c.typed << '"';
      }
    }
  }
}

TEST(VoltageFields, OffsetTextReadsBackAsItsByte) {
  // Every byte the window can produce shows a text that stores the same byte.
  for (int b = 0; b < 256; ++b) {
    if (b == 128) {
      continue;  // +128 is shown but lies beyond the box's limit
    }
    SettingsArray bytes{};
    bytes[15] = static_cast<std::uint8_t>(b);
    const std::string shown = DecodeVoltageBox(bytes, VoltageBox::Offset);
    bytes[15] = 0x5A;
    const Correction result = LeaveVoltageBox(bytes, VoltageBox::Offset, shown);
    EXPECT_EQ(result.beeps, 0) << b;
    EXPECT_EQ(bytes[15], b) << '"' << shown << '"';
  }
}

TEST(VoltageFields, KeyFilterPassesOnlyNumberKeys) {
  struct Case {
    int key, kept, seen;
  };
  const Case cases[] = {{8, 8, 8},       {'0', '0', '0'}, {'9', '9', '9'}, {'.', '.', '.'},
                        {'-', '-', '-'}, {13, 13, 13},    {'a', 0, 'A'},   {'Z', 0, 'Z'},
                        {' ', 0, ' '},   {'+', 0, '+'},   {',', 0, ','},   {'/', 0, '/'},
                        {':', 0, ':'},   {9, 0, 9},       {127, 0, 127}};
  for (const Case& c : cases) {
    const FilteredKeyPress result = FilterKeyPress(c.key);
    EXPECT_EQ(result.keyascii, c.kept) << c.key;
    EXPECT_EQ(result.filteredKey, c.seen) << c.key;
  }
}

}  // namespace
}  // namespace nimbo::settings
