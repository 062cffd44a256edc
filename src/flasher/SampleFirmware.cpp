#include "flasher/SampleFirmware.h"

#include <algorithm>

#include "flasher/FirmwareCodec.h"

namespace nimbo::flasher {

std::vector<std::uint8_t> SampleFirmwareImage(std::uint8_t version, std::uint32_t salt) {
  std::vector<std::uint8_t> image(kFirmwareImageSize, 0xFF);  // the unused tail reads as erased
  std::fill(image.begin(), image.begin() + kProgramOffset, 0);
  image[0] = 'F';
  image[1] = 'W';
  image[kVersionByte] = version;
  image[kReservedByte] = 0;
  for (std::size_t k = kProgramOffset; k < kProgramEnd; ++k) {
    // Multiplicative hashing spreads neighbouring positions over all bytes.
    const std::uint32_t mixed = (static_cast<std::uint32_t>(k) + salt) * 2654435761u;
    image[k] = static_cast<std::uint8_t>(mixed >> 24);
  }
  return image;
}

}  // namespace nimbo::flasher
