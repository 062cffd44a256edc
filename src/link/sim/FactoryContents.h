// What a NIMBO device holds when it leaves the factory: its settings record,
// its firmware and the LED matrix text it greets its owner with.
#pragma once

#include <cstdint>
#include <span>

namespace nimbo::sim {

inline constexpr std::uint8_t kFactoryVersion = 0x21;  // firmware 2.1
inline constexpr std::uint8_t kFactoryModel = '1';     // shown as "NIMBO1"
inline constexpr int kMatrixTextAddress = 0x2000;      // device address of the LED matrix text
inline constexpr int kFirmwareFirstAddress = 0x0020;
inline constexpr int kFirmwareEndAddress = 0x3860;  // 450 blocks of 32 address units

// Fills a device memory (kMemoryBytes) and settings EEPROM (kEepromBytes).
void WriteFactoryContents(std::span<std::uint8_t> memory, std::span<std::uint8_t> eeprom);

}  // namespace nimbo::sim
