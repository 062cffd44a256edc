// Where a simulated device keeps what it holds: in the process, or in a state
// file that several programs share as one device.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "link/sim/SimulatedDevice.h"

namespace nimbo::sim {

class DeviceStore {
 public:
  virtual ~DeviceStore() = default;

  virtual std::span<std::uint8_t> Memory() = 0;  // kMemoryBytes
  virtual std::span<std::uint8_t> Eeprom() = 0;  // kEepromBytes
  virtual std::uint8_t& Version() = 0;
  virtual std::uint8_t& Model() = 0;
  virtual Mode& CurrentMode() = 0;

  // One host at a time: taken when the host opens the interface, given back
  // when it closes it. False while another program holds the device.
  virtual bool Claim() = 0;
  virtual void Release() = 0;

  // Keeps other programs out while one exchange or one change runs (only the
  // short critical sections; the claim is what keeps a second host out).
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
  // False once the store can no longer be used (a state file that someone
  // cut short); checked under the lock before every exchange.
  virtual bool Intact() = 0;

  // Whether the fault rules live in the store (shared with other programs)
  // rather than only in the device object.
  virtual bool KeepsFaults() const = 0;
  virtual std::vector<FaultRule> LoadFaults() = 0;
  // False when there are more rules than the store has room for.
  virtual bool SaveFaults(std::span<const FaultRule> rules) = 0;
  virtual std::size_t FaultCapacity() const = 0;
};

// RAII for DeviceStore::Lock.
class StoreLock {
 public:
  explicit StoreLock(DeviceStore& store) : store_(store) { store_.Lock(); }
  ~StoreLock() { store_.Unlock(); }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  DeviceStore& store_;
};

// A device that lives only as long as its process.
class MemoryStore final : public DeviceStore {
 public:
  MemoryStore() : memory_(kMemoryBytes, 0x00), eeprom_(kEepromBytes, 0x00) {}

  std::span<std::uint8_t> Memory() override { return memory_; }
  std::span<std::uint8_t> Eeprom() override { return eeprom_; }
  std::uint8_t& Version() override { return version_; }
  std::uint8_t& Model() override { return model_; }
  Mode& CurrentMode() override { return mode_; }
  bool Claim() override { return true; }
  void Release() override {}
  void Lock() override {}
  void Unlock() override {}
  bool Intact() override { return true; }
  bool KeepsFaults() const override { return false; }
  std::vector<FaultRule> LoadFaults() override { return {}; }
  bool SaveFaults(std::span<const FaultRule>) override { return true; }
  std::size_t FaultCapacity() const override { return SIZE_MAX; }

 private:
  std::vector<std::uint8_t> memory_;
  std::vector<std::uint8_t> eeprom_;
  std::uint8_t version_ = 0;
  std::uint8_t model_ = 0;
  Mode mode_ = Mode::Normal;
};

}  // namespace nimbo::sim
