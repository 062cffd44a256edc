// The D2XX calls served by a SimulatedDevice in the same process. The line
// settings the host makes go to the device's timing model, so that a line set
// up wrongly fails as it would with the real interface.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/D2xx.h"
#include "link/sim/SimulatedDevice.h"

namespace nimbo::sim {

class SimulatedTransport final : public D2xx {
 public:
  // The interface answers to `description` only (the common FTDI default).
  SimulatedTransport(SimulatedDevice& device, Clock& clock,
                     std::string description = "FT232R USB UART");

  // No interface plugged in at all: every open fails with "not found".
  void SetAbsent(bool absent);
  // Makes the named call ("SetBaudRate", "SetTimeouts", ...) return `status`
  // from now on, without doing anything; status 0 makes it work again.
  void FailCall(const std::string& call, FtStatus status);
  // Every call made, in order, by name ("OpenEx", "SetBaudRate", ...).
  const std::vector<std::string>& Calls() const;
  // The baud rate the host set.
  std::uint32_t BaudRate() const;
  Micros ReadTimeout() const;

  FtStatus OpenEx(const char* description, std::uint32_t flags, FtHandle& handle) override;
  FtStatus SetBaudRate(FtHandle handle, std::uint32_t baud) override;
  FtStatus SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                          std::uint8_t xoff) override;
  FtStatus SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) override;
  FtStatus SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                            std::uint32_t outTransferSize) override;
  FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                  std::uint8_t parity) override;
  FtStatus SetChars(FtHandle handle, std::uint8_t eventChar, std::uint8_t eventEnable,
                    std::uint8_t errorChar, std::uint8_t errorEnable) override;
  FtStatus SetTimeouts(FtHandle handle, std::uint32_t readTimeout,
                       std::uint32_t writeTimeout) override;
  FtStatus Write(FtHandle handle, std::span<const std::uint8_t> data,
                 std::uint32_t& written) override;
  FtStatus Read(FtHandle handle, std::span<std::uint8_t> destination,
                std::uint32_t& returned) override;
  FtStatus Purge(FtHandle handle, std::uint32_t mask) override;
  FtStatus Close(FtHandle handle) override;

 private:
  // The interface's power-on settings.
  void ResetLine();
  // Records the call and returns the status a test asked for, if any.
  std::optional<FtStatus> Enter(const char* call);
  // Enter, then the checks every call on an open handle makes.
  std::optional<FtStatus> EnterOpen(const char* call, FtHandle handle);

  SimulatedDevice& device_;
  Clock& clock_;
  std::string description_;
  bool absent_ = false;
  FtHandle open_ = 0;
  FtHandle nextHandle_ = 0x4E01;  // each open gets a fresh handle, so stale ones are refused
  std::uint32_t baud_ = 0;
  Micros readTimeout_ = 0;
  std::vector<std::string> calls_;
  std::vector<std::pair<std::string, FtStatus>> failures_;
};

}  // namespace nimbo::sim
