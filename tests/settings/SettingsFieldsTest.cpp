// The field tables, the enabling rules, the factory defaults and the report
// that `settings show` prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "settings/FactoryDefaults.h"
#include "settings/SettingsFields.h"
#include "settings/SettingsReport.h"

namespace nimbo::settings {
namespace {

TEST(SettingsFields, CombosAreListedOnceWithTheirTexts) {
  struct Expected {
    const char* control;
    const char* label;
    std::size_t entries;
    const char* last;
  };
  const Expected expected[] = {
      {"LED1Combo", "LED 1", 5, "EXROM"},
      {"LED2Combo", "LED 2", 5, "EXROM"},
      {"LED3Combo", "LED 3", 5, "EXROM"},
      {"LED4Combo", "LED 4", 5, "EXROM"},
      {"ROMCombo", "ROM Banks", 4, "8 banks (27512)"},
      {"ResetTypeCombo", "RESET Type", 2, "RESET + EXROM"},
      {"OLEDScreenCombo", "OLED Screen", 2, "Flipped"},
      {"OLEDBrightnessCombo", "OLED Brigtness", 10, "100%"},
      {"ResetTimeoutCombo", "Reset Timeout", 7, "2500ms"},
      {"ROMTimeoutCombo", "ROM Timeout", 7, "2500ms"},
      {"MenuTimeoutCombo", "Menu Timeout", 7, "5000ms"},
  };
  ASSERT_EQ(ComboFields().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const ComboField& field = ComboFields()[i];
    EXPECT_EQ(field.control, expected[i].control);
    EXPECT_EQ(field.label, expected[i].label);
    ASSERT_EQ(field.entries.size(), expected[i].entries) << field.control;
    EXPECT_EQ(field.entries.back(), expected[i].last) << field.control;
  }
  EXPECT_EQ(FindComboField("LED3Combo")->toolTip, "Selects what function is assigned to LED 3");
  EXPECT_EQ(FindComboField("ResetTypeCombo")->toolTip,
            "Selects reset type, with our without EXROM usage.");
  EXPECT_EQ(FindComboField("nope"), nullptr);
  EXPECT_EQ(ColorSlotFields()[15].toolTip, "Click to select color for LED when ROM 8 is selected.");
  EXPECT_EQ(ColorSlotFields()[7].label, "Votlage Warning");
}

TEST(SettingsFields, TimeoutEntriesMatchTheirStoredValues) {
  // Entry text "NNNNms" stores NNNN / 10.
  for (const char* control : {"ResetTimeoutCombo", "ROMTimeoutCombo", "MenuTimeoutCombo"}) {
    const ComboField& field = *FindComboField(control);
    for (std::size_t i = 0; i < field.entries.size(); ++i) {
      SettingsArray bytes{};
      field.encode(bytes, static_cast<int>(i));
      const int ms = std::stoi(std::string(field.entries[i]));
      EXPECT_EQ(
          bytes[9] * 256 + bytes[10] + bytes[11] * 256 + bytes[12] + bytes[13] * 256 + bytes[14],
          ms / 10)
          << control << " " << field.entries[i];
    }
  }
}

TEST(SettingsFields, LedChainEnablesUpToTheFirstOff) {
  struct Case {
    std::array<int, 4> shown;
    std::array<bool, 4> enabled;
  };
  const Case cases[] = {
      {{0, 1, 2, 3}, {true, false, false, false}},
      {{1, 0, 3, 4}, {true, true, false, false}},
      {{1, 2, 0, 0}, {true, true, true, false}},
      {{1, 2, 3, 0}, {true, true, true, true}},
      {{4, 3, 2, 1}, {true, true, true, true}},
      {{kNoEntry, 0, 1, 1}, {true, true, false, false}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LedCombosEnabled(c.shown), c.enabled);
  }
  SettingsArray bytes{};
  bytes[2] = 0x09;  // LED 1 "STATUS" with a preserved bit
  bytes[3] = 0x08;  // LED 2 "OFF"
  EXPECT_EQ(LedCombosEnabled(bytes), (std::array<bool, 4>{true, true, false, false}));
}

TEST(SettingsFields, RomSwatchesFollowTheBankCount) {
  const int banks[] = {1, 2, 4, 8};
  for (int k = 0; k < 4; ++k) {
    const auto enabled = ColorSwatchesEnabled(k);
    for (int slot = 0; slot < 16; ++slot) {
      EXPECT_EQ(enabled[slot], slot < 8 + banks[k]) << "entry " << k << " slot " << slot;
    }
  }
}

// Bytes 1..67 as the factory table lists them.
constexpr std::uint8_t kDefaultTable[67] = {
    7,  1,  2,  3,  4,  0,  9,  56, 0, 100, 0,   150, 1,  44,  178,  // bytes 1..15
    0,  0,  0,  15, 0,  0,  0,  15, 0, 0,   0,   15,  15, 15,  0,   0,  15, 15,
    15, 0,  15, 15, 15, 15, 15, 0,  0, 0,   15,  0,   15, 0,   0,   0,  15, 0,
    0,  15, 15, 0,  0,  15, 0,  0,  0, 255, 255, 255, 1,  209, 2,   23,
};

TEST(FactoryDefaults, WriteBytesOneToSixtySevenOnly) {
  SettingsArray bytes{};
  bytes.fill(0x77);
  WriteFactoryDefaults(bytes);
  EXPECT_EQ(bytes[0], 0x77);
  for (std::size_t at = 1; at <= 67; ++at) {
    EXPECT_EQ(bytes[at], kDefaultTable[at - 1]) << "byte " << at;
  }
  for (std::size_t at = 68; at < bytes.size(); ++at) {
    EXPECT_EQ(bytes[at], 0x77) << "byte " << at;
  }
}

TEST(SettingsReport, ShowsTheDefaultsAsTheWindowDoes) {
  SettingsArray bytes{};
  WriteFactoryDefaults(bytes);
  const std::vector<std::string> lines = DescribeSettings(bytes);
  for (const char* expected : {"LED 1: STATUS",
                               "LED 2: IRQ",
                               "LED 3: ROM",
                               "LED 4: EXROM",
                               "ROM Banks: 8 banks (27512)",
                               "RESET Type: RESET + EXROM",
                               "OLED Screen: Normal",
                               "OLED Brigtness: 100%",
                               "Reset Timeout: 1000ms",
                               "ROM Timeout: 1500ms",
                               "Menu Timeout: 3000ms",
                               "Voltage Monitoring Enabled: ticked",
                               "Voltage Monitoring Flash: ticked",
                               "Minimum: 4.65",
                               "Maximum: 5.35",
                               "Offset: - 50",
                               "IRQ High: #0F0000",
                               "Votlage Warning: #FFFFFF",
                               "ROM 1: #000000",
                               "ROM 6: #000F0F",
                               "ROM 8: #0F0F0F"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
  }
  EXPECT_EQ(lines.size(), 11u + 2u + 3u + 16u);
}

TEST(SettingsReport, UnlistedValuesShowNoEntry) {
  SettingsArray bytes{};
  bytes[2] = 0x05;
  bytes[7] = 200;
  const std::vector<std::string> lines = DescribeSettings(bytes);
  EXPECT_EQ(lines[0], "LED 1: (no entry)");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "OLED Brigtness: (no entry)"), lines.end());
}

TEST(SettingsReport, HexRoundTripAndRefusals) {
  std::string error;
  const auto two = ParseHexBytes(" 0a\tFf ", 2, error);
  ASSERT_TRUE(two.has_value()) << error;
  EXPECT_EQ(*two, (std::vector<std::uint8_t>{0x0A, 0xFF}));
  EXPECT_EQ(BytesToHex(*two), "0A FF");
  EXPECT_EQ(ParseHexBytes("0AFF", 2, error), two);

  for (const char* bad : {"0A", "0A FF 01", "0A F", "0A FG", "0x0A", "", "0A,FF"}) {
    error.clear();
    EXPECT_FALSE(ParseHexBytes(bad, 2, error).has_value()) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

}  // namespace
}  // namespace nimbo::settings
