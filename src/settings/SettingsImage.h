// The settings record of the device: its byte map and one small decode and
// encode function per field.
//
// Decoders turn the image into what a control shows (a list index, a tick, a
// colour, a text); encoders turn one control's new state into its field and
// keep every bit the field does not name. Multi-byte fields are big-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "link/NimboModule.h"

namespace nimbo::settings {

// The shared array: indices 0..256, of which 0..67 are the device record.
using SettingsArray = std::array<std::uint8_t, kSettingsArraySize>;

// A list index that selects no entry (the stored value has no entry).
inline constexpr int kNoEntry = -1;

// --- Byte map (index = EEPROM address) ---
inline constexpr std::size_t kOptionFlagsIndex = 1;
inline constexpr std::uint8_t kResetTypeBit = 0x01;       // 1 = "RESET + EXROM"
inline constexpr std::uint8_t kVoltageMonitorBit = 0x02;  // 1 = voltage warning on
inline constexpr std::uint8_t kFlashBit = 0x04;           // 1 = flash LEDs on warning
inline constexpr std::size_t kLed1FunctionIndex = 2;      // LED n at 1 + n
inline constexpr std::uint8_t kLedFunctionMask = 0x07;
inline constexpr std::size_t kOledFlagsIndex = 6;
inline constexpr std::uint8_t kOledFlippedBit = 0x01;
inline constexpr std::size_t kOledBrightnessIndex = 7;
inline constexpr std::size_t kRomBankFlagsIndex = 8;
inline constexpr std::uint8_t kRomBankMaskBits = 0x38;  // bits 3..5: banks - 1
inline constexpr std::size_t kResetTimeoutIndex = 9;    // 9..10, units of 10 ms
inline constexpr std::size_t kRomTimeoutIndex = 11;     // 11..12, units of 10 ms
inline constexpr std::size_t kMenuTimeoutIndex = 13;    // 13..14, units of 10 ms
inline constexpr std::size_t kVoltageOffsetIndex = 15;  // sign and magnitude
inline constexpr std::size_t kRomColorIndex = 16;       // 16..39: slots 8..15
inline constexpr std::size_t kStateColorIndex = 40;     // 40..63: slots 0..7
inline constexpr std::size_t kMinVoltageIndex = 64;     // 64..65, units of 0.01 V
inline constexpr std::size_t kMaxVoltageIndex = 66;     // 66..67, units of 0.01 V

inline constexpr int kLedCount = 4;
inline constexpr int kLedFunctionEntries = 5;  // "OFF" .. "EXROM"
inline constexpr int kRomBankEntries = 4;      // 1, 2, 4, 8 banks
inline constexpr int kBrightnessEntries = 10;  // "10%" .. "100%"
inline constexpr int kTimeoutEntries = 7;
inline constexpr int kColorSlotCount = 16;

// --- 16-bit big-endian words ---
std::uint16_t ReadWord(const SettingsArray& bytes, std::size_t index);
void WriteWord(SettingsArray& bytes, std::size_t index, std::uint16_t value);

// Encoders given an index outside their list (kNoEntry included) change nothing,
// so a value without an entry keeps its byte until the user picks one.

// --- LED functions, led = 1..4: 0 "OFF", 1 "STATUS", 2 "IRQ", 3 "ROM", 4 "EXROM" ---
// kNoEntry for the unlisted codes 5..7.
int DecodeLedFunction(const SettingsArray& bytes, int led);
void EncodeLedFunction(SettingsArray& bytes, int led, int listIndex);

// --- Option flags (byte 1) ---
int DecodeResetType(const SettingsArray& bytes);  // 0 "RESET only", 1 "RESET + EXROM"
void EncodeResetType(SettingsArray& bytes, int listIndex);
bool DecodeOptionBit(const SettingsArray& bytes, std::uint8_t bit);
void EncodeOptionBit(SettingsArray& bytes, std::uint8_t bit, bool ticked);

// --- OLED ---
int DecodeOledScreen(const SettingsArray& bytes);  // 0 "Normal", 1 "Flipped"
void EncodeOledScreen(SettingsArray& bytes, int listIndex);
int DecodeOledBrightness(const SettingsArray& bytes);  // 0..9, kNoEntry above 9
void EncodeOledBrightness(SettingsArray& bytes, int listIndex);

// --- ROM banks: list index k stands for mask 2^k - 1 (1, 2, 4, 8 banks) ---
// An unknown mask selects list index 0.
int DecodeRomBanks(const SettingsArray& bytes);
void EncodeRomBanks(SettingsArray& bytes, int listIndex);
int RomBankCount(int listIndex);  // 1, 2, 4 or 8; 1 for an index outside the list

// --- Time-outs: entry i is a time in ms; the stored value is that time / 10 ---
enum class Timeout { Reset, Rom, Menu };
int TimeoutEntryMs(Timeout timeout, int listIndex);
// The entry whose time equals the stored one exactly, else list index 0.
int DecodeTimeout(const SettingsArray& bytes, Timeout timeout);
void EncodeTimeout(SettingsArray& bytes, Timeout timeout, int listIndex);

// --- Colours: value = R + 256*G + 65536*B (red in the low byte) ---
std::size_t ColorSlotIndex(int slot);  // first byte of slot 0..15
std::uint32_t DecodeColor(const SettingsArray& bytes, int slot);
void EncodeColor(SettingsArray& bytes, int slot, std::uint32_t value);

}  // namespace nimbo::settings
