#include "link/sim/SimulatedDeviceState.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

namespace nimbo::sim {
namespace {

constexpr std::string_view kMagic = "NIMBOSIM";
constexpr std::uint32_t kFormat = 1;
constexpr std::size_t kHeaderBytes = 8 + 4 + 4 + 4 + 4;
constexpr std::size_t kCrcBytes = 4;
constexpr std::size_t kFileBytes = kHeaderBytes + kMemoryBytes + kEepromBytes + kCrcBytes;

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

std::uint32_t GetU32(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
  }
  return value;
}

}  // namespace

std::vector<std::uint8_t> EncodeDeviceState(const SimulatedDevice& device) {
  std::vector<std::uint8_t> out;
  out.reserve(kFileBytes);
  out.insert(out.end(), kMagic.begin(), kMagic.end());
  PutU32(out, kFormat);
  out.push_back(device.Version());
  out.push_back(device.Model());
  out.push_back(device.CurrentMode() == Mode::Update ? 1 : 0);
  out.push_back(0);
  PutU32(out, static_cast<std::uint32_t>(kMemoryBytes));
  PutU32(out, static_cast<std::uint32_t>(kEepromBytes));
  const std::span<const std::uint8_t> memory = device.Memory();
  const std::span<const std::uint8_t> eeprom = device.Eeprom();
  out.insert(out.end(), memory.begin(), memory.end());
  out.insert(out.end(), eeprom.begin(), eeprom.end());
  PutU32(out, Crc32(out));
  return out;
}

bool DecodeDeviceState(std::span<const std::uint8_t> bytes, SimulatedDevice& device,
                       std::string& error) {
  if (bytes.size() < kHeaderBytes || !std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) {
    error = "not a simulated device state file";
    return false;
  }
  if (GetU32(bytes, 8) != kFormat) {
    error = "unknown state file format " + std::to_string(GetU32(bytes, 8));
    return false;
  }
  if (GetU32(bytes, 16) != kMemoryBytes || GetU32(bytes, 20) != kEepromBytes) {
    error = "state file describes a device of another size";
    return false;
  }
  if (bytes.size() != kFileBytes) {
    error = bytes.size() < kFileBytes ? "state file is truncated" : "state file is too long";
    return false;
  }
  const std::size_t crcAt = kFileBytes - kCrcBytes;
  if (GetU32(bytes, crcAt) != Crc32(bytes.first(crcAt))) {
    error = "state file is damaged (checksum mismatch)";
    return false;
  }
  const std::uint8_t mode = bytes[14];
  if (mode > 1) {
    error = "state file holds an unknown device mode";
    return false;
  }
  // Every check has passed: only now is the device changed.
  device.Version() = bytes[12];
  device.Model() = bytes[13];
  device.CurrentMode() = mode == 1 ? Mode::Update : Mode::Normal;
  const auto memoryAt = bytes.begin() + static_cast<std::ptrdiff_t>(kHeaderBytes);
  const auto eepromAt = memoryAt + static_cast<std::ptrdiff_t>(kMemoryBytes);
  std::copy(memoryAt, eepromAt, device.Memory().begin());
  std::copy(eepromAt, eepromAt + static_cast<std::ptrdiff_t>(kEepromBytes),
            device.Eeprom().begin());
  return true;
}

bool LoadDeviceState(SimulatedDevice& device, const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open state file " + path;
    return false;
  }
  // Read at most one byte more than a valid file, so a huge file is refused
  // without being loaded whole.
  std::vector<std::uint8_t> bytes(kFileBytes + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) {
    error = "cannot read state file " + path;
    return false;
  }
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (!DecodeDeviceState(bytes, device, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool SaveDeviceState(const SimulatedDevice& device, const std::string& path, std::string& error) {
  const std::vector<std::uint8_t> bytes = EncodeDeviceState(device);
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      error = "cannot write state file " + temporary;
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code failure;
  std::filesystem::rename(temporary, path, failure);
  if (failure) {
    error = "cannot replace state file " + path + ": " + failure.message();
    std::filesystem::remove(temporary, failure);
    return false;
  }
  return true;
}

}  // namespace nimbo::sim
