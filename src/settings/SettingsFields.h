// The configuration window's fields as data: every combo box, check box and
// colour swatch is described once here (control name, label, entries, tool
// tip, codec). The window builds its controls from these tables with one loop
// and one handler; `nimbo-cli settings show` prints from the same tables.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsImage.h"

namespace nimbo::settings {

enum class ComboGroup {
  LedFunction,    // frame "LED Function": labels LED1Text..LED4Text
  SystemOptions,  // frame "System Options": label array System_txt
};

struct ComboField {
  std::string_view control;  // "LED1Combo", "ROMCombo", ...
  std::string_view label;    // "LED 1", "ROM Banks", ...
  ComboGroup group;
  int labelIndex;  // LED number 1..4, or the System_txt index 0..6
  std::span<const std::string_view> entries;
  std::string toolTip;
  // The list index the combo shows (kNoEntry: no selection).
  int (*decode)(const SettingsArray& bytes);
  // Stores a picked entry; an index outside the list changes nothing.
  void (*encode)(SettingsArray& bytes, int listIndex);
};

// LED1Combo..LED4Combo, then the seven system options in System_txt order.
const std::vector<ComboField>& ComboFields();
// nullptr when no combo has that control name.
const ComboField* FindComboField(std::string_view control);
// The entry text a combo shows for the image, or "" for no selection.
std::string_view ShownEntry(const ComboField& field, const SettingsArray& bytes);

struct CheckField {
  std::string_view control;  // "VoltageMonitor_box", "Flash_box"
  std::string_view caption;  // "Enabled", "Flash"
  std::string_view toolTip;
  std::uint8_t bit;  // bit of OptionFlags (byte 1)
};

// VoltageMonitor_box, then Flash_box.
std::span<const CheckField> CheckFields();
bool DecodeCheck(const SettingsArray& bytes, const CheckField& field);
void EncodeCheck(SettingsArray& bytes, const CheckField& field, bool ticked);

struct ColorSlotField {
  std::string_view label;  // Colors_txt caption: "IRQ High", ..., "ROM 8"
  std::string toolTip;
  std::array<std::uint8_t, 3> defaultRgb;  // factory red, green, blue
};

// Slots 0..15, index = ColorButton index = ColorSlot.
std::span<const ColorSlotField> ColorSlotFields();

// "Selects what function is assigned to LED 3" (no full stop).
std::string LedComboToolTip(int led);
// "Click to select color for LED when ROM 8 is selected." for slots 8..15.
std::string RomSwatchToolTip(int slot);

// --- Enabling rules ---
// LED n's combo and label are enabled when none of LEDs 1..n-1 shows "OFF"
// (list index 0); LED 1 always. `shown` are the list indices the combos show.
std::array<bool, kLedCount> LedCombosEnabled(const std::array<int, kLedCount>& shown);
// Swatches 0..8 and all labels always; ROM j+1 (slot 8+j) when j < the number of
// banks of ROMCombo's list index.
std::array<bool, kColorSlotCount> ColorSwatchesEnabled(int romListIndex);

}  // namespace nimbo::settings
