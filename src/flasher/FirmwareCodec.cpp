#include "flasher/FirmwareCodec.h"

#include <algorithm>
#include <random>

namespace nimbo::flasher {

namespace {

std::uint8_t FillerSum(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
  return static_cast<std::uint8_t>(a + b + c);
}

}  // namespace

void DecodeFirmwareBytes(std::span<const std::uint8_t> file, std::span<std::uint8_t> image) {
  std::uint32_t key = kInitialKey;
  const std::size_t groups = std::min(image.size(), file.size() / kBytesPerImageByte);
  for (std::size_t k = 0; k < groups; ++k) {
    const std::size_t at = k * kBytesPerImageByte;
    const std::uint8_t sum = FillerSum(file[at + 1], file[at + 2], file[at + 3]);
    image[k] = static_cast<std::uint8_t>(file[at] ^ (key & 0xFFu) ^ sum);
    key += sum;  // 32 bits wide: only its low byte is ever used
  }
}

std::vector<std::uint8_t> EncodeFirmwareBytes(std::span<const std::uint8_t> image,
                                              std::uint64_t seed) {
  // mt19937_64 yields the same sequence on every standard library.
  std::mt19937_64 generator(seed);
  std::vector<std::uint8_t> file(image.size() * kBytesPerImageByte);
  std::uint32_t key = kInitialKey;
  for (std::size_t k = 0; k < image.size(); ++k) {
    const std::uint64_t draw = generator();
    const std::size_t at = k * kBytesPerImageByte;
    file[at + 1] = static_cast<std::uint8_t>(draw);
    file[at + 2] = static_cast<std::uint8_t>(draw >> 8);
    file[at + 3] = static_cast<std::uint8_t>(draw >> 16);
    const std::uint8_t sum = FillerSum(file[at + 1], file[at + 2], file[at + 3]);
    file[at] = static_cast<std::uint8_t>(image[k] ^ (key & 0xFFu) ^ sum);
    key += sum;
  }
  return file;
}

FirmwareHeader ReadFirmwareHeader(std::span<const std::uint8_t> image) {
  FirmwareHeader header;
  if (image.size() <= kReservedByte) {
    return header;
  }
  header.signature = image[0] == 'F' && image[1] == 'W';
  header.major = static_cast<std::uint8_t>(image[kVersionByte] >> 4);
  header.minor = static_cast<std::uint8_t>(image[kVersionByte] & 0x0F);
  header.reservedZero = image[kReservedByte] == 0;
  return header;
}

std::string VersionText(std::uint8_t major, std::uint8_t minor) {
  const std::string minorDigits = std::to_string(minor);
  return std::string(1, static_cast<char>('0' + major)) + "." + minorDigits.back();
}

}  // namespace nimbo::flasher
