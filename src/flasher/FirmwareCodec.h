// The firmware update file's encoding and the firmware image's header.
//
// Every group of four file bytes carries one image byte: the first byte of
// the group, xor the low byte of a running key, xor the sum of the other
// three (the filler). The key starts at 0xA7 and grows by each filler sum, so
// every group depends on all groups before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nimbo::flasher {

inline constexpr std::size_t kFirmwareImageSize = 32776;  // image bytes 0..32775
inline constexpr std::size_t kBytesPerImageByte = 4;
inline constexpr std::size_t kFirmwareFileSize =
    kFirmwareImageSize * kBytesPerImageByte;  // 131,104 bytes
inline constexpr std::uint32_t kInitialKey = 0xA7;

// Image layout.
inline constexpr std::size_t kVersionByte = 3;      // major in the high nibble
inline constexpr std::size_t kReservedByte = 4;     // must be 0
inline constexpr std::size_t kProgramOffset = 72;   // first program byte
inline constexpr std::size_t kProgramBlocks = 450;  // 64 bytes each
inline constexpr std::size_t kProgramEnd = kProgramOffset + kProgramBlocks * 64;  // 28872

// Decodes the first 4·image.size() bytes of `file` into `image`. Decodes
// only the groups `file` holds completely when it is shorter.
void DecodeFirmwareBytes(std::span<const std::uint8_t> file, std::span<std::uint8_t> image);

// The inverse: a file of 4·image.size() bytes whose filler bytes are drawn
// from a generator seeded with `seed`, so that the same seed gives the same
// file.
std::vector<std::uint8_t> EncodeFirmwareBytes(std::span<const std::uint8_t> image,
                                              std::uint64_t seed);

struct FirmwareHeader {
  bool signature = false;  // bytes 0 and 1 are "F", "W"
  std::uint8_t major = 0;  // valid only with the signature
  std::uint8_t minor = 0;
  bool reservedZero = false;  // byte 4 is 0
  bool Known() const { return signature && reservedZero; }
};

// The header of a decoded image; an image under 5 bytes has no signature.
FirmwareHeader ReadFirmwareHeader(std::span<const std::uint8_t> image);

// A version as the flasher shows it: the character 48 + major, ".", and the
// last decimal digit of the minor number (1 and 12 read "1.2").
std::string VersionText(std::uint8_t major, std::uint8_t minor);

}  // namespace nimbo::flasher
