// The byte map: every field's decode over all byte values, encodes that keep
// the bits they do not name, and the colour slot addressing.
#include <gtest/gtest.h>

#include "settings/SettingsFields.h"
#include "settings/SettingsImage.h"

namespace nimbo::settings {
namespace {

SettingsArray Filled(std::uint8_t value) {
  SettingsArray bytes{};
  bytes.fill(value);
  return bytes;
}

// The first byte of each combo's field and the bits its encode may change.
struct FieldBits {
  std::string_view control;
  std::size_t index;
  std::uint8_t changeable;  // in the first byte; 16-bit fields change both bytes
};

constexpr FieldBits kFieldBits[] = {
    {"LED1Combo", 2, 0x07},         {"LED2Combo", 3, 0x07},
    {"LED3Combo", 4, 0x07},         {"LED4Combo", 5, 0x07},
    {"ROMCombo", 8, 0x38},          {"ResetTypeCombo", 1, 0x01},
    {"OLEDScreenCombo", 6, 0x01},   {"OLEDBrightnessCombo", 7, 0xFF},
    {"ResetTimeoutCombo", 9, 0xFF}, {"ROMTimeoutCombo", 11, 0xFF},
    {"MenuTimeoutCombo", 13, 0xFF},
};

TEST(SettingsImage, EveryByteValueDecodesToAnEntryOrNone) {
  for (const ComboField& field : ComboFields()) {
    for (int value = 0; value < 256; ++value) {
      const SettingsArray bytes = Filled(static_cast<std::uint8_t>(value));
      const int index = field.decode(bytes);
      EXPECT_GE(index, kNoEntry) << field.control << " byte " << value;
      EXPECT_LT(index, static_cast<int>(field.entries.size())) << field.control << " " << value;
    }
  }
}

TEST(SettingsImage, UnlistedValuesShowNoEntryOnlyWhereNoFallbackIsDefined) {
  for (int value = 0; value < 256; ++value) {
    SettingsArray bytes{};
    const auto b = static_cast<std::uint8_t>(value);
    bytes[3] = b;
    bytes[7] = b;
    bytes[8] = b;
    const int code = value % 8;
    EXPECT_EQ(DecodeLedFunction(bytes, 2), code <= 4 ? code : kNoEntry) << value;
    EXPECT_EQ(DecodeOledBrightness(bytes), value <= 9 ? value : kNoEntry) << value;
    // Masks 0, 1, 3, 7 select entries 0..3; any other mask falls back to entry 0.
    const int mask = (value / 8) % 8;
    const int expected_rom = mask == 1 ? 1 : mask == 3 ? 2 : mask == 7 ? 3 : 0;
    EXPECT_EQ(DecodeRomBanks(bytes), expected_rom) << value;
  }
}

TEST(SettingsImage, EncodesKeepUnnamedBitsAndOtherBytes) {
  for (std::uint8_t background : {0x00, 0xFF, 0xA5, 0x5A}) {
    for (const FieldBits& bits : kFieldBits) {
      const ComboField* field = FindComboField(bits.control);
      ASSERT_NE(field, nullptr) << bits.control;
      for (int i = 0; i < static_cast<int>(field->entries.size()); ++i) {
        SettingsArray bytes = Filled(background);
        field->encode(bytes, i);
        EXPECT_EQ(field->decode(bytes), i) << bits.control << " entry " << i;
        const bool word = bits.changeable == 0xFF && bits.index >= 9;
        for (std::size_t at = 0; at < bytes.size(); ++at) {
          if (at == bits.index) {
            EXPECT_EQ(bytes[at] & ~bits.changeable & 0xFF, background & ~bits.changeable & 0xFF)
                << bits.control << " entry " << i;
          } else if (!(word && at == bits.index + 1)) {
            EXPECT_EQ(bytes[at], background) << bits.control << " touched byte " << at;
          }
        }
      }
    }
  }
}

TEST(SettingsImage, IndexOutsideTheListChangesNothing) {
  for (const ComboField& field : ComboFields()) {
    for (int index : {kNoEntry, static_cast<int>(field.entries.size()), 255}) {
      SettingsArray bytes = Filled(0xC3);
      field.encode(bytes, index);
      EXPECT_EQ(bytes, Filled(0xC3)) << field.control << " index " << index;
    }
  }
}

TEST(SettingsImage, WorkedExamples) {
  SettingsArray bytes{};
  bytes[3] = 0x83;
  EXPECT_EQ(DecodeLedFunction(bytes, 2), 3);  // "ROM"
  EncodeLedFunction(bytes, 2, 0);             // "OFF"
  EXPECT_EQ(bytes[3], 0x80);

  bytes[8] = 0x3F;
  EXPECT_EQ(DecodeRomBanks(bytes), 3);  // "8 banks (27512)"
  EncodeRomBanks(bytes, 1);             // "2 banks (27128)"
  EXPECT_EQ(bytes[8], 0x0F);
  bytes[8] = 0x10;  // mask 2 has no entry
  EXPECT_EQ(DecodeRomBanks(bytes), 0);

  struct TimeoutCase {
    Timeout timeout;
    std::uint8_t high, low;
    int index;
  };
  for (const auto& c :
       {TimeoutCase{Timeout::Reset, 0x00, 0x64, 0}, TimeoutCase{Timeout::Reset, 0x00, 0xFA, 6},
        TimeoutCase{Timeout::Reset, 0x00, 0x00, 0}, TimeoutCase{Timeout::Rom, 0x00, 0x63, 0},
        TimeoutCase{Timeout::Rom, 0x00, 0xAF, 3}, TimeoutCase{Timeout::Menu, 0x01, 0x2C, 2},
        TimeoutCase{Timeout::Menu, 0x00, 0x64, 0}, TimeoutCase{Timeout::Menu, 0xFF, 0xFF, 0}}) {
    const std::size_t at = c.timeout == Timeout::Reset ? 9 : c.timeout == Timeout::Rom ? 11 : 13;
    bytes[at] = c.high;
    bytes[at + 1] = c.low;
    EXPECT_EQ(DecodeTimeout(bytes, c.timeout), c.index) << int(c.high) << "," << int(c.low);
  }
  EncodeTimeout(bytes, Timeout::Menu, 6);  // "5000ms"
  EXPECT_EQ(bytes[13], 0x01);
  EXPECT_EQ(bytes[14], 0xF4);
}

TEST(SettingsImage, OptionBitsAreIndependent) {
  SettingsArray bytes = Filled(0xF8);
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
  // Slots 0..7 from byte 40, slots 8..15 (ROM 1..8) from byte 16.
  constexpr std::size_t kFirstByte[16] = {40, 43, 46, 49, 52, 55, 58, 61,
                                          16, 19, 22, 25, 28, 31, 34, 37};
  for (int slot = 0; slot < 16; ++slot) {
    SettingsArray bytes{};
    EncodeColor(bytes, slot, 0xAB123456u);  // the top byte is not a colour
    const std::size_t at = kFirstByte[slot];
    EXPECT_EQ(bytes[at], 0x56) << slot;  // red in the low byte
    EXPECT_EQ(bytes[at + 1], 0x34) << slot;
    EXPECT_EQ(bytes[at + 2], 0x12) << slot;
    int changed = 0;
    for (std::uint8_t b : bytes) {
      changed += b != 0;
    }
    EXPECT_EQ(changed, 3) << slot;
    EXPECT_EQ(DecodeColor(bytes, slot), 0x123456u) << slot;
  }
  SettingsArray bytes{};
  EncodeColor(bytes, 16, 0xFFFFFF);
  EncodeColor(bytes, -1, 0xFFFFFF);
  EXPECT_EQ(bytes, SettingsArray{});
}

}  // namespace
}  // namespace nimbo::settings
