// A synthetic firmware image for trying an update against the simulated
// device: "FW", a version, byte 4 = 0, and program data from a fixed
// pattern in which no two blocks are alike.
#pragma once

#include <cstdint>
#include <vector>

namespace nimbo::flasher {

inline constexpr std::uint8_t kSampleVersion = 0x12;  // 1.2

// A whole image (32,776 bytes); `salt` varies the program data.
std::vector<std::uint8_t> SampleFirmwareImage(std::uint8_t version = kSampleVersion,
                                              std::uint32_t salt = 0);

}  // namespace nimbo::flasher
