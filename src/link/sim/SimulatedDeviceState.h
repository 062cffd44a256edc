// Keeps a simulated device between runs: its memory, settings EEPROM,
// firmware version, model character and mode in one binary file.
//
// Layout (little-endian): the 8-byte magic "NIMBOSIM", a format number (u32),
// version, model, mode (0 normal, 1 update) and a zero byte, the memory and
// EEPROM sizes (u32 each), the memory bytes, the EEPROM bytes, and a CRC-32 of
// everything before it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/sim/SimulatedDevice.h"

namespace nimbo::sim {

// Leaves the device untouched and explains why in `error` when the file is
// missing, truncated, of another format or damaged.
bool LoadDeviceState(SimulatedDevice& device, const std::string& path, std::string& error);

// Writes through a temporary file and renames it, so that a failed save never
// destroys the previous state.
bool SaveDeviceState(const SimulatedDevice& device, const std::string& path, std::string& error);

// The file's bytes, for callers that keep the state elsewhere.
std::vector<std::uint8_t> EncodeDeviceState(const SimulatedDevice& device);
bool DecodeDeviceState(std::span<const std::uint8_t> bytes, SimulatedDevice& device,
                       std::string& error);

}  // namespace nimbo::sim
