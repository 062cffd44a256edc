#include "settings/FactoryDefaults.h"

#include <algorithm>
#include <span>

#include "settings/SettingsFields.h"

namespace nimbo::settings {
namespace {

std::array<std::uint8_t, kDefaultCount> BuildDefaults() {
  SettingsArray image{};
  // "RESET + EXROM", voltage warning and flashing on.
  image[kOptionFlagsIndex] = kResetTypeBit | kVoltageMonitorBit | kFlashBit;
  // LEDs 1..4: "STATUS", "IRQ", "ROM", "EXROM".
  for (int led = 1; led <= kLedCount; ++led) {
    image[kLed1FunctionIndex + static_cast<std::size_t>(led - 1)] = static_cast<std::uint8_t>(led);
  }
  image[kOledFlagsIndex] = 0;                 // "Normal"
  image[kOledBrightnessIndex] = 9;            // "100%"
  image[kRomBankFlagsIndex] = 7 << 3;         // 8 banks; other bits cleared
  WriteWord(image, kResetTimeoutIndex, 100);  // 1000 ms
  WriteWord(image, kRomTimeoutIndex, 150);    // 1500 ms
  WriteWord(image, kMenuTimeoutIndex, 300);   // 3000 ms
  image[kVoltageOffsetIndex] = 128 + 50;      // -50
  for (int slot = 0; slot < kColorSlotCount; ++slot) {
    const auto& rgb = ColorSlotFields()[static_cast<std::size_t>(slot)].defaultRgb;
    std::copy(rgb.begin(), rgb.end(), image.begin() + static_cast<long>(ColorSlotIndex(slot)));
  }
  WriteWord(image, kMinVoltageIndex, 465);  // 4.65 V
  WriteWord(image, kMaxVoltageIndex, 535);  // 5.35 V

  std::array<std::uint8_t, kDefaultCount> defaults{};
  std::copy_n(image.begin() + kFirstDefaultIndex, kDefaultCount, defaults.begin());
  return defaults;
}

}  // namespace

const std::array<std::uint8_t, kDefaultCount>& FactoryDefaultBytes() {
  static const std::array<std::uint8_t, kDefaultCount> defaults = BuildDefaults();
  return defaults;
}

void WriteFactoryDefaults(SettingsArray& bytes) {
  const auto& defaults = FactoryDefaultBytes();
  std::copy(defaults.begin(), defaults.end(), bytes.begin() + kFirstDefaultIndex);
}

}  // namespace nimbo::settings
