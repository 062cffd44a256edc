// How nimbo-cli names a block of the device's program area and a byte in
// it, for the flash and verify reports.
#pragma once

#include <cstdint>
#include <string>

#include "flasher/FirmwareUpdate.h"

namespace nimbo::cli {

// "0x0080" for (0x80, 4).
std::string Hex(unsigned value, int digits);

// "block 3 at device address 0x0080".
std::string BlockText(int block, std::int32_t address);

// "byte 5 (device address 0x0082): expected 0x3A, read 0xC5".
std::string DifferenceText(std::int32_t blockAddress, const flasher::FlashFailure::Difference& d);

}  // namespace nimbo::cli
