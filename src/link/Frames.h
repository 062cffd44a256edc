// The bytes of the device's two-letter commands: address split, checksum,
// frame builders and reply checks. Pure functions on byte arrays; the device
// operations in DeviceCommands.cpp only sequence them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace nimbo::frames {

// Every device address travels as two bytes, low byte first.
inline constexpr std::int32_t kMaxAddress = 65535;
// Part of every checksum, in both directions.
inline constexpr std::uint8_t kChecksumSeed = 0x08;
// The device's "done" byte; any other value is a refusal.
inline constexpr std::uint8_t kAcknowledge = 0x01;

// Reply lengths, as the readers ask for them.
inline constexpr std::int32_t kInfoReplyLength = 6;        // I F version model x x
inline constexpr std::int32_t kEchoLength = 2;             // the two letters
inline constexpr std::int32_t kBlockTrailerLength = 2;     // checksum, acknowledge
inline constexpr std::int32_t kWriteAckLength = 3;         // letters, acknowledge
inline constexpr std::int32_t kEepromReadReplyLength = 5;  // R E data checksum ack

struct AddressBytes {
  std::uint8_t lo = 0;
  std::uint8_t hi = 0;
};

// lo = address mod 256, hi = address div 256; empty when the address does not
// fit the two bytes (outside 0..65535).
std::optional<AddressBytes> SplitAddress(std::int32_t address);

// Exclusive-or of both address bytes, 0x08 and every data byte.
std::uint8_t Checksum(AddressBytes address, std::span<const std::uint8_t> data);

// "IF".
std::array<std::uint8_t, 2> InfoRequest();
// Two letters and an address: the "RM", "RE" requests and the "WM" header.
std::array<std::uint8_t, 4> AddressedRequest(std::string_view letters, AddressBytes address);
// "WE": letters, address, data byte, checksum.
std::array<std::uint8_t, 6> EepromWriteFrame(AddressBytes address, std::uint8_t data);

// The first two reply bytes as characters (fewer when the reply is shorter).
std::string EchoText(std::span<const std::uint8_t> reply);
// True when the reply begins with exactly these two letters (case-sensitive).
bool EchoMatches(std::span<const std::uint8_t> reply, std::string_view letters);
// True when the reply begins with the letters of another of the device's
// commands than `letters`: the answer to an earlier frame, come late, since
// the device answers each command with its own letters only.
bool EchoOfAnotherCommand(std::span<const std::uint8_t> reply, std::string_view letters);
// A 3-byte write acknowledgement: the letters, then 0x01.
bool WriteAcknowledged(std::span<const std::uint8_t> reply, std::string_view letters);

// The 5-byte "RE" reply: its data byte when the echo, the acknowledge and the
// checksum (as computed for `address` and the data received) are all right.
std::optional<std::uint8_t> EepromReadData(std::span<const std::uint8_t> reply,
                                           AddressBytes address);

struct DeviceInfo {
  std::uint8_t major = 0;  // high nibble of the version byte
  std::uint8_t minor = 0;  // low nibble
  std::uint8_t model = 0;
};
// The 6-byte "IF" reply; empty when its echo is not "IF".
std::optional<DeviceInfo> ParseDeviceInfo(std::span<const std::uint8_t> reply);

}  // namespace nimbo::frames
