#include "settings/SettingsImage.h"

namespace nimbo::settings {
namespace {

bool InList(int listIndex, int entries) {
  return listIndex >= 0 && listIndex < entries;
}

std::size_t LedIndex(int led) {
  return kLed1FunctionIndex + static_cast<std::size_t>(led - 1);
}

bool ValidLed(int led) {
  return led >= 1 && led <= kLedCount;
}

bool ValidSlot(int slot) {
  return slot >= 0 && slot < kColorSlotCount;
}

std::size_t TimeoutIndex(Timeout timeout) {
  switch (timeout) {
    case Timeout::Reset:
      return kResetTimeoutIndex;
    case Timeout::Rom:
      return kRomTimeoutIndex;
    case Timeout::Menu:
      break;
  }
  return kMenuTimeoutIndex;
}

void SetBits(std::uint8_t& byte, std::uint8_t mask, std::uint8_t value) {
  byte = static_cast<std::uint8_t>((byte & ~mask) | (value & mask));
}

}  // namespace

std::uint16_t ReadWord(const SettingsArray& bytes, std::size_t index) {
  return static_cast<std::uint16_t>(bytes.at(index) * 256 + bytes.at(index + 1));
}

void WriteWord(SettingsArray& bytes, std::size_t index, std::uint16_t value) {
  bytes.at(index) = static_cast<std::uint8_t>(value / 256);
  bytes.at(index + 1) = static_cast<std::uint8_t>(value % 256);
}

int DecodeLedFunction(const SettingsArray& bytes, int led) {
  if (!ValidLed(led)) {
    return kNoEntry;
  }
  const int code = bytes[LedIndex(led)] & kLedFunctionMask;
  return InList(code, kLedFunctionEntries) ? code : kNoEntry;
}

void EncodeLedFunction(SettingsArray& bytes, int led, int listIndex) {
  if (ValidLed(led) && InList(listIndex, kLedFunctionEntries)) {
    SetBits(bytes[LedIndex(led)], kLedFunctionMask, static_cast<std::uint8_t>(listIndex));
  }
}

int DecodeResetType(const SettingsArray& bytes) {
  return bytes[kOptionFlagsIndex] & kResetTypeBit;
}

void EncodeResetType(SettingsArray& bytes, int listIndex) {
  if (InList(listIndex, 2)) {
    SetBits(bytes[kOptionFlagsIndex], kResetTypeBit, static_cast<std::uint8_t>(listIndex));
  }
}

bool DecodeOptionBit(const SettingsArray& bytes, std::uint8_t bit) {
  return (bytes[kOptionFlagsIndex] & bit) != 0;
}

void EncodeOptionBit(SettingsArray& bytes, std::uint8_t bit, bool ticked) {
  SetBits(bytes[kOptionFlagsIndex], bit, ticked ? bit : 0);
}

int DecodeOledScreen(const SettingsArray& bytes) {
  return bytes[kOledFlagsIndex] & kOledFlippedBit;
}

void EncodeOledScreen(SettingsArray& bytes, int listIndex) {
  if (InList(listIndex, 2)) {
    SetBits(bytes[kOledFlagsIndex], kOledFlippedBit, static_cast<std::uint8_t>(listIndex));
  }
}

int DecodeOledBrightness(const SettingsArray& bytes) {
  const int level = bytes[kOledBrightnessIndex];
  return InList(level, kBrightnessEntries) ? level : kNoEntry;
}

void EncodeOledBrightness(SettingsArray& bytes, int listIndex) {
  if (InList(listIndex, kBrightnessEntries)) {
    bytes[kOledBrightnessIndex] = static_cast<std::uint8_t>(listIndex);
  }
}

int DecodeRomBanks(const SettingsArray& bytes) {
  const int mask = (bytes[kRomBankFlagsIndex] & kRomBankMaskBits) >> 3;
  for (int k = 0; k < kRomBankEntries; ++k) {
    if (mask == RomBankCount(k) - 1) {
      return k;
    }
  }
  return 0;
}

void EncodeRomBanks(SettingsArray& bytes, int listIndex) {
  if (InList(listIndex, kRomBankEntries)) {
    const auto mask = static_cast<std::uint8_t>((RomBankCount(listIndex) - 1) << 3);
    SetBits(bytes[kRomBankFlagsIndex], kRomBankMaskBits, mask);
  }
}

int RomBankCount(int listIndex) {
  return InList(listIndex, kRomBankEntries) ? 1 << listIndex : 1;
}

int TimeoutEntryMs(Timeout timeout, int listIndex) {
  if (!InList(listIndex, kTimeoutEntries)) {
    return 0;
  }
  return timeout == Timeout::Menu ? 2000 + 500 * listIndex : 1000 + 250 * listIndex;
}

int DecodeTimeout(const SettingsArray& bytes, Timeout timeout) {
  const long stored_ms = 10L * ReadWord(bytes, TimeoutIndex(timeout));
  for (int i = 0; i < kTimeoutEntries; ++i) {
    if (TimeoutEntryMs(timeout, i) == stored_ms) {
      return i;
    }
  }
  return 0;
}

void EncodeTimeout(SettingsArray& bytes, Timeout timeout, int listIndex) {
  if (InList(listIndex, kTimeoutEntries)) {
    const auto units = static_cast<std::uint16_t>(TimeoutEntryMs(timeout, listIndex) / 10);
    WriteWord(bytes, TimeoutIndex(timeout), units);
  }
}

std::size_t ColorSlotIndex(int slot) {
  const auto s = static_cast<std::size_t>(slot);
  return slot < 8 ? kStateColorIndex + 3 * s : kRomColorIndex + 3 * (s - 8);
}

std::uint32_t DecodeColor(const SettingsArray& bytes, int slot) {
  if (!ValidSlot(slot)) {
    return 0;
  }
  const std::size_t first = ColorSlotIndex(slot);
  return bytes[first] + 256u * bytes[first + 1] + 65536u * bytes[first + 2];
}

void EncodeColor(SettingsArray& bytes, int slot, std::uint32_t value) {
  if (!ValidSlot(slot)) {
    return;
  }
  const std::size_t first = ColorSlotIndex(slot);
  bytes[first] = static_cast<std::uint8_t>(value & 255u);
  bytes[first + 1] = static_cast<std::uint8_t>((value / 256u) & 255u);
  bytes[first + 2] = static_cast<std::uint8_t>((value / 65536u) & 255u);
}

}  // namespace nimbo::settings
