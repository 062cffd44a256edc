// The byte map: every field's decode over all byte values, encodes that keep
// the bits they do not name, colour slot addressing and the hex parsing of
// `settings write`.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "settings/SettingsFields.h"
#include "settings/SettingsImage.h"
#include "settings/SettingsReport.h"

namespace nimbo::settings {
namespace {

SettingsArray Filled(std::uint8_t value) {
  SettingsArray bytes{};
  bytes.fill(value);
  return bytes;
}

TEST(SettingsImage, EveryByteValueDecodesUnlistedOnesToNoEntryOrTheFirst) {
  for (int value = 0; value < 256; ++value) {
    const SettingsArray bytes = Filled(static_cast<std::uint8_t>(value));
    // The flag combos show bit 0; a time-out stored as no entry's value (here
    // 2570 ms per unit of the byte) shows the first entry.
    for (const ComboField& field : ComboFields()) {
      const std::string_view control = field.control;
      if (control == "ResetTypeCombo" || control == "OLEDScreenCombo") {
        EXPECT_EQ(field.decode(bytes), value % 2) << control << " byte " << value;
      } else if (control.ends_with("TimeoutCombo")) {
        const auto listed = std::ranges::find_if(
            field.entries, [&](auto e) { return std::stoi(std::string(e)) == 2570 * value; });
        EXPECT_EQ(field.decode(bytes), listed == field.entries.end()
                                           ? 0
                                           : static_cast<int>(listed - field.entries.begin()))
            << control << " byte " << value;
      }
    }
    // Masks 0, 1, 3, 7 select entries 0..3; any other mask falls back to entry 0.
    const int code = value % 8;
    const int mask = (value / 8) % 8;
    EXPECT_EQ(DecodeLedFunction(bytes, 2), code <= 4 ? code : kNoEntry) << value;
    EXPECT_EQ(DecodeOledBrightness(bytes), value <= 9 ? value : kNoEntry) << value;
    EXPECT_EQ(DecodeRomBanks(bytes), mask == 1 ? 1 : mask == 3 ? 2 : mask == 7 ? 3 : 0) << value;
  }
}

// The first byte of each combo's field and the bits its encode may change.
struct FieldBits {
  std::string_view control;
  std::size_t index;
  std::uint8_t changeable;  // in the first byte; time-outs change two whole bytes
};

constexpr FieldBits kFieldBits[] = {
    {"LED1Combo", 2, 0x07},         {"LED2Combo", 3, 0x07},
    {"LED3Combo", 4, 0x07},         {"LED4Combo", 5, 0x07},
    {"ROMCombo", 8, 0x38},          {"ResetTypeCombo", 1, 0x01},
    {"OLEDScreenCombo", 6, 0x01},   {"OLEDBrightnessCombo", 7, 0xFF},
    {"ResetTimeoutCombo", 9, 0xFF}, {"ROMTimeoutCombo", 11, 0xFF},
    {"MenuTimeoutCombo", 13, 0xFF},
};

TEST(SettingsImage, EncodesKeepUnnamedBitsAndIgnoreIndicesOutsideTheList) {
  for (std::uint8_t background : {0x00, 0xFF, 0xA5}) {
    for (const FieldBits& bits : kFieldBits) {
      const ComboField* field = FindComboField(bits.control);
      ASSERT_NE(field, nullptr) << bits.control;
      const int entries = static_cast<int>(field->entries.size());
      for (int i = kNoEntry; i <= entries; ++i) {
        SettingsArray bytes = Filled(background);
        field->encode(bytes, i);
        SettingsArray expected = Filled(background);
        if (i != kNoEntry && i != entries) {
          EXPECT_EQ(field->decode(bytes), i) << bits.control << " entry " << i;
          expected[bits.index] = static_cast<std::uint8_t>((bytes[bits.index] & bits.changeable) |
                                                           (background & ~bits.changeable));
          if (bits.index >= 9) {  // a time-out: entry "NNNNms" stores NNNN / 10
            expected[bits.index + 1] = bytes[bits.index + 1];
            EXPECT_EQ(bytes[bits.index] * 256 + bytes[bits.index + 1],
                      std::stoi(std::string(field->entries[static_cast<std::size_t>(i)])) / 10)
                << bits.control << " entry " << i;
          }
        }
        EXPECT_EQ(bytes, expected) << bits.control << " entry " << i;
      }
    }
  }
}

// The option bits of byte 1 are independent of each other and of bits 3..7.
TEST(SettingsImage, OptionBitsKeepTheirNeighbours) {
  SettingsArray bytes{};
  bytes[1] = 0xF8;
  EncodeOptionBit(bytes, kFlashBit, true);
  EncodeResetType(bytes, 1);
  EXPECT_EQ(bytes[1], 0xFD);
  EXPECT_FALSE(DecodeOptionBit(bytes, kVoltageMonitorBit));
  EncodeOptionBit(bytes, kVoltageMonitorBit, true);
  EncodeOptionBit(bytes, kFlashBit, false);
  EXPECT_EQ(bytes[1], 0xFB);
  EXPECT_EQ(DecodeResetType(bytes), 1);
}

TEST(SettingsImage, ColorSlotsAddressTheirThreeBytes) {
  // Slots 0..7 from byte 40, slots 8..15 (ROM 1..8) from byte 16; red first.
  constexpr std::size_t kFirstByte[16] = {40, 43, 46, 49, 52, 55, 58, 61,
                                          16, 19, 22, 25, 28, 31, 34, 37};
  for (int slot = 0; slot < 16; ++slot) {
    SettingsArray bytes{};
    EncodeColor(bytes, slot, 0xAB123456u);  // the top byte is not a colour
    SettingsArray expected{};
    expected[kFirstByte[slot]] = 0x56;
    expected[kFirstByte[slot] + 1] = 0x34;
    expected[kFirstByte[slot] + 2] = 0x12;
    EXPECT_EQ(bytes, expected) << slot;
    EXPECT_EQ(DecodeColor(bytes, slot), 0x123456u) << slot;
  }
  SettingsArray bytes{};
  EncodeColor(bytes, 16, 0xFFFFFF);
  EncodeColor(bytes, -1, 0xFFFFFF);
  EXPECT_EQ(bytes, SettingsArray{});
}

TEST(SettingsReport, HexRoundTripAndRefusals) {
  std::string error;
  const auto two = ParseHexBytes(" 0a\tFf ", 2, error);
  ASSERT_TRUE(two.has_value()) << error;
  EXPECT_EQ(*two, (std::vector<std::uint8_t>{0x0A, 0xFF}));
  EXPECT_EQ(ParseHexBytes("0AFF", 2, error), two);
  for (const char* bad : {"0A", "0A FF 01", "0A F", "0A FG", "0x0A", "", "0A,FF"}) {
    error.clear();
    EXPECT_FALSE(ParseHexBytes(bad, 2, error).has_value()) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

}  // namespace
}  // namespace nimbo::settings
