#include "link/Frames.h"

#include <algorithm>

namespace nimbo::frames {

std::optional<AddressBytes> SplitAddress(std::int32_t address) {
  if (address < 0 || address > kMaxAddress) {
    return std::nullopt;
  }
  return AddressBytes{static_cast<std::uint8_t>(address % 256),
                      static_cast<std::uint8_t>(address / 256)};
}

std::uint8_t Checksum(AddressBytes address, std::span<const std::uint8_t> data) {
  std::uint8_t sum = address.lo ^ address.hi ^ kChecksumSeed;
  for (const std::uint8_t byte : data) {
    sum ^= byte;
  }
  return sum;
}

std::array<std::uint8_t, 2> InfoRequest() {
  return {'I', 'F'};
}

std::array<std::uint8_t, 4> AddressedRequest(std::string_view letters, AddressBytes address) {
  return {static_cast<std::uint8_t>(letters.at(0)), static_cast<std::uint8_t>(letters.at(1)),
          address.lo, address.hi};
}

std::array<std::uint8_t, 6> EepromWriteFrame(AddressBytes address, std::uint8_t data) {
  const std::uint8_t dataBytes[] = {data};
  return {'W', 'E', address.lo, address.hi, data, Checksum(address, dataBytes)};
}

std::string EchoText(std::span<const std::uint8_t> reply) {
  const auto count = std::min<std::size_t>(reply.size(), 2);
  return std::string(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(count));
}

bool EchoMatches(std::span<const std::uint8_t> reply, std::string_view letters) {
  return reply.size() >= 2 && letters.size() == 2 &&
         reply[0] == static_cast<std::uint8_t>(letters[0]) &&
         reply[1] == static_cast<std::uint8_t>(letters[1]);
}

bool EchoOfAnotherCommand(std::span<const std::uint8_t> reply, std::string_view letters) {
  for (const std::string_view command : {"IF", "RM", "WM", "RE", "WE"}) {
    if (command != letters && EchoMatches(reply, command)) {
      return true;
    }
  }
  return false;
}

bool WriteAcknowledged(std::span<const std::uint8_t> reply, std::string_view letters) {
  return reply.size() >= 3 && EchoMatches(reply, letters) && reply[2] == kAcknowledge;
}

std::optional<std::uint8_t> EepromReadData(std::span<const std::uint8_t> reply,
                                           AddressBytes address) {
  if (reply.size() < 5 || !EchoMatches(reply, "RE") || reply[4] != kAcknowledge) {
    return std::nullopt;
  }
  const std::uint8_t data = reply[2];
  if (reply[3] != Checksum(address, reply.subspan(2, 1))) {
    return std::nullopt;
  }
  return data;
}

std::optional<DeviceInfo> ParseDeviceInfo(std::span<const std::uint8_t> reply) {
  if (reply.size() < 4 || !EchoMatches(reply, "IF")) {
    return std::nullopt;
  }
  return DeviceInfo{static_cast<std::uint8_t>(reply[2] / 16),
                    static_cast<std::uint8_t>(reply[2] % 16), reply[3]};
}

}  // namespace nimbo::frames
