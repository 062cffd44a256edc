#include "settings/SettingsFields.h"

namespace nimbo::settings {
namespace {

using namespace std::string_view_literals;

constexpr std::array kLedEntries = {"OFF"sv, "STATUS"sv, "IRQ"sv, "ROM"sv, "EXROM"sv};
constexpr std::array kRomEntries = {"1 bank (2764)"sv, "2 banks (27128)"sv, "4 banks (27256)"sv,
                                    "8 banks (27512)"sv};
constexpr std::array kResetTypeEntries = {"RESET only"sv, "RESET + EXROM"sv};
constexpr std::array kOledScreenEntries = {"Normal"sv, "Flipped"sv};
constexpr std::array kBrightnessEntries = {"10%"sv, "20%"sv, "30%"sv, "40%"sv, "50%"sv,
                                           "60%"sv, "70%"sv, "80%"sv, "90%"sv, "100%"sv};
constexpr std::array kShortTimeoutEntries = {"1000ms"sv, "1250ms"sv, "1500ms"sv, "1750ms"sv,
                                             "2000ms"sv, "2250ms"sv, "2500ms"sv};
constexpr std::array kMenuTimeoutEntries = {"2000ms"sv, "2500ms"sv, "3000ms"sv, "3500ms"sv,
                                            "4000ms"sv, "4500ms"sv, "5000ms"sv};

template <int Led>
int DecodeLed(const SettingsArray& bytes) {
  return DecodeLedFunction(bytes, Led);
}
template <int Led>
void EncodeLed(SettingsArray& bytes, int listIndex) {
  EncodeLedFunction(bytes, Led, listIndex);
}

template <Timeout T>
int DecodeTime(const SettingsArray& bytes) {
  return DecodeTimeout(bytes, T);
}
template <Timeout T>
void EncodeTime(SettingsArray& bytes, int listIndex) {
  EncodeTimeout(bytes, T, listIndex);
}

ComboField LedField(std::string_view control, std::string_view label, int led,
                    int (*decode)(const SettingsArray&), void (*encode)(SettingsArray&, int)) {
  return {control, label, ComboGroup::LedFunction, led, kLedEntries, LedComboToolTip(led),
          decode,  encode};
}

std::vector<ComboField> BuildComboFields() {
  const auto system = ComboGroup::SystemOptions;
  return {
      LedField("LED1Combo", "LED 1", 1, DecodeLed<1>, EncodeLed<1>),
      LedField("LED2Combo", "LED 2", 2, DecodeLed<2>, EncodeLed<2>),
      LedField("LED3Combo", "LED 3", 3, DecodeLed<3>, EncodeLed<3>),
      LedField("LED4Combo", "LED 4", 4, DecodeLed<4>, EncodeLed<4>),
      {"ROMCombo", "ROM Banks", system, 0, kRomEntries, "Selects number of ROM banks available.",
       DecodeRomBanks, EncodeRomBanks},
      {"ResetTypeCombo", "RESET Type", system, 1, kResetTypeEntries,
       "Selects reset type, with our without EXROM usage.", DecodeResetType, EncodeResetType},
      {"OLEDScreenCombo", "OLED Screen", system, 2, kOledScreenEntries,
       "Selects if the OLED screen is upside down.", DecodeOledScreen, EncodeOledScreen},
      {"OLEDBrightnessCombo", "OLED Brigtness", system, 3, kBrightnessEntries,
       "Selects the birghtness level of the OLED screen.", DecodeOledBrightness,
       EncodeOledBrightness},
      {"ResetTimeoutCombo", "Reset Timeout", system, 4, kShortTimeoutEntries,
       "Selects amount of time before reaching RESET mode.", DecodeTime<Timeout::Reset>,
       EncodeTime<Timeout::Reset>},
      {"ROMTimeoutCombo", "ROM Timeout", system, 5, kShortTimeoutEntries,
       "Selects amount of time before reaching ROM switching mode.", DecodeTime<Timeout::Rom>,
       EncodeTime<Timeout::Rom>},
      {"MenuTimeoutCombo", "Menu Timeout", system, 6, kMenuTimeoutEntries,
       "Selects amount of time before reaching MENU mode.", DecodeTime<Timeout::Menu>,
       EncodeTime<Timeout::Menu>},
  };
}

constexpr std::array<CheckField, 2> kCheckFields = {{
    {"VoltageMonitor_box", "Enabled", "Check to enable voltage warning system.",
     kVoltageMonitorBit},
    {"Flash_box", "Flash", "Check to enable flashing of LEDs for voltage warning.", kFlashBit},
}};

std::vector<ColorSlotField> BuildColorSlots() {
  std::vector<ColorSlotField> slots = {
      {"IRQ High", "Click to select color for LED when the IRQ line is HIGH.", {15, 0, 0}},
      {"IRQ Low", "Click to select color for LED when the IRQ line is LOW.", {0, 15, 0}},
      {"EXROM High", "Click to select color for LED when the EXROM line is HIGH.", {15, 0, 0}},
      {"EXROM Low", "Click to select color for LED when the EXROM line is LOW.", {0, 15, 0}},
      {"Reset State",
       "Click to select color for LED when RESTORE is down long enough to reach the RESET state.",
       {0, 15, 15}},
      {"ROM Switch",
       "Click to select color for LED when RESTORE is down long enough to reach the ROM Switch "
       "state.",
       {0, 0, 15}},
      {"RESTORE Down", "Click to select color for LED when RESTORE is down.", {0, 0, 0}},
      {"Votlage Warning",
       "Click to select color for LED when votlage warning occurs.",
       {255, 255, 255}},
  };
  constexpr std::array<std::string_view, 8> kRomLabels = {"ROM 1", "ROM 2", "ROM 3", "ROM 4",
                                                          "ROM 5", "ROM 6", "ROM 7", "ROM 8"};
  // ROM 1 black, then red, green, blue, yellow, cyan, magenta, white at level 15.
  constexpr std::array<std::array<std::uint8_t, 3>, 8> kRomDefaults = {{{0, 0, 0},
                                                                        {15, 0, 0},
                                                                        {0, 15, 0},
                                                                        {0, 0, 15},
                                                                        {15, 15, 0},
                                                                        {0, 15, 15},
                                                                        {15, 0, 15},
                                                                        {15, 15, 15}}};
  for (int rom = 0; rom < 8; ++rom) {
    slots.push_back({kRomLabels[rom], RomSwatchToolTip(8 + rom), kRomDefaults[rom]});
  }
  return slots;
}

}  // namespace

const std::vector<ComboField>& ComboFields() {
  static const std::vector<ComboField> fields = BuildComboFields();
  return fields;
}

const ComboField* FindComboField(std::string_view control) {
  for (const ComboField& field : ComboFields()) {
    if (field.control == control) {
      return &field;
    }
  }
  return nullptr;
}

std::string_view ShownEntry(const ComboField& field, const SettingsArray& bytes) {
  const int index = field.decode(bytes);
  if (index < 0 || static_cast<std::size_t>(index) >= field.entries.size()) {
    return {};
  }
  return field.entries[static_cast<std::size_t>(index)];
}

std::span<const CheckField> CheckFields() {
  return kCheckFields;
}

bool DecodeCheck(const SettingsArray& bytes, const CheckField& field) {
  return DecodeOptionBit(bytes, field.bit);
}

void EncodeCheck(SettingsArray& bytes, const CheckField& field, bool ticked) {
  EncodeOptionBit(bytes, field.bit, ticked);
}

std::span<const ColorSlotField> ColorSlotFields() {
  static const std::vector<ColorSlotField> slots = BuildColorSlots();
  return slots;
}

std::string LedComboToolTip(int led) {
  return "Selects what function is assigned to LED " + std::to_string(led);
}

std::string RomSwatchToolTip(int slot) {
  // The ROM number is written with a leading blank (the sign position).
  return "Click to select color for LED when ROM " + std::to_string(slot - 7) + " is selected.";
}

std::array<bool, kLedCount> LedCombosEnabled(const std::array<int, kLedCount>& shown) {
  std::array<bool, kLedCount> enabled{};
  bool chain = true;
  for (int led = 0; led < kLedCount; ++led) {
    enabled[led] = chain;
    chain = chain && shown[led] != 0;
  }
  return enabled;
}

std::array<bool, kColorSlotCount> ColorSwatchesEnabled(int romListIndex) {
  std::array<bool, kColorSlotCount> enabled{};
  const int banks = RomBankCount(romListIndex);
  for (int slot = 0; slot < kColorSlotCount; ++slot) {
    enabled[slot] = slot < 8 || slot - 8 < banks;
  }
  return enabled;
}

}  // namespace nimbo::settings
