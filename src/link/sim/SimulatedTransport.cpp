#include "link/sim/SimulatedTransport.h"

#include <algorithm>
#include <cstring>

namespace nimbo::sim {

SimulatedTransport::SimulatedTransport(SimulatedDevice& device, Clock& clock,
                                       std::string description)
    : device_(device), clock_(clock), description_(std::move(description)) {}

void SimulatedTransport::SetAbsent(bool absent) {
  absent_ = absent;
}

void SimulatedTransport::FailCall(const std::string& call, FtStatus status) {
  std::erase_if(failures_, [&](const auto& failure) { return failure.first == call; });
  if (status != ft::kOk) {
    failures_.emplace_back(call, status);
  }
}

const std::vector<std::string>& SimulatedTransport::Calls() const {
  return calls_;
}
std::uint32_t SimulatedTransport::BaudRate() const {
  return baud_;
}
Micros SimulatedTransport::ReadTimeout() const {
  return readTimeout_;
}

std::optional<FtStatus> SimulatedTransport::Enter(const char* call) {
  calls_.emplace_back(call);
  for (const auto& [name, status] : failures_) {
    if (name == call) {
      return status;
    }
  }
  return std::nullopt;
}

std::optional<FtStatus> SimulatedTransport::EnterOpen(const char* call, FtHandle handle) {
  if (std::optional<FtStatus> forced = Enter(call)) {
    return forced;
  }
  if (open_ == 0 || handle != open_) {
    return ft::kInvalidHandle;
  }
  if (device_.Unplugged()) {
    return ft::kIoError;
  }
  return std::nullopt;
}

FtStatus SimulatedTransport::OpenEx(const char* description, std::uint32_t flags,
                                    FtHandle& handle) {
  if (std::optional<FtStatus> forced = Enter("OpenEx")) {
    return *forced;
  }
  if (absent_ || device_.Unplugged() || description == nullptr || flags != ft::kOpenByDescription ||
      description_ != description) {
    return ft::kDeviceNotFound;
  }
  if (open_ != 0) {
    return ft::kDeviceNotOpened;  // one process at a time, as with the real interface
  }
  open_ = nextHandle_++;
  readTimeout_ = device_.TimingModel().readTimeout;
  handle = open_;
  return ft::kOk;
}

FtStatus SimulatedTransport::SetBaudRate(FtHandle handle, std::uint32_t baud) {
  if (std::optional<FtStatus> status = EnterOpen("SetBaudRate", handle)) {
    return *status;
  }
  baud_ = baud;
  return ft::kOk;
}

FtStatus SimulatedTransport::SetFlowControl(FtHandle handle, std::uint16_t, std::uint8_t,
                                            std::uint8_t) {
  return EnterOpen("SetFlowControl", handle).value_or(ft::kOk);
}

FtStatus SimulatedTransport::SetLatencyTimer(FtHandle handle, std::uint8_t) {
  return EnterOpen("SetLatencyTimer", handle).value_or(ft::kOk);
}

FtStatus SimulatedTransport::SetUSBParameters(FtHandle handle, std::uint32_t, std::uint32_t) {
  return EnterOpen("SetUSBParameters", handle).value_or(ft::kOk);
}

FtStatus SimulatedTransport::SetDataCharacteristics(FtHandle handle, std::uint8_t, std::uint8_t,
                                                    std::uint8_t) {
  return EnterOpen("SetDataCharacteristics", handle).value_or(ft::kOk);
}

FtStatus SimulatedTransport::SetChars(FtHandle handle, std::uint8_t, std::uint8_t, std::uint8_t,
                                      std::uint8_t) {
  return EnterOpen("SetChars", handle).value_or(ft::kOk);
}

FtStatus SimulatedTransport::SetTimeouts(FtHandle handle, std::uint32_t readTimeout,
                                         std::uint32_t) {
  if (std::optional<FtStatus> status = EnterOpen("SetTimeouts", handle)) {
    return *status;
  }
  readTimeout_ = static_cast<Micros>(readTimeout) * 1000;
  return ft::kOk;
}

FtStatus SimulatedTransport::Write(FtHandle handle, std::span<const std::uint8_t> data,
                                   std::uint32_t& written) {
  if (std::optional<FtStatus> status = EnterOpen("Write", handle)) {
    return *status;
  }
  device_.Receive(data);
  written = static_cast<std::uint32_t>(data.size());
  return ft::kOk;
}

FtStatus SimulatedTransport::Read(FtHandle handle, std::span<std::uint8_t> destination,
                                  std::uint32_t& returned) {
  if (std::optional<FtStatus> status = EnterOpen("Read", handle)) {
    return *status;
  }
  // A read time-out of 0 waits for as long as bytes are on their way; a real
  // interface would wait forever, which on a virtual clock never ends.
  const bool limited = readTimeout_ > 0;
  const Micros deadline = clock_.Now() + readTimeout_;
  std::size_t got = 0;
  while (true) {
    got += device_.Deliver(destination.subspan(got), clock_.Now());
    if (got == destination.size()) {
      break;
    }
    const std::optional<Micros> next = device_.NextArrival();
    if (!next || *next <= clock_.Now() || (limited && *next > deadline)) {
      if (limited) {
        clock_.SleepUntil(deadline);
        got += device_.Deliver(destination.subspan(got), clock_.Now());
      }
      break;
    }
    clock_.SleepUntil(*next);
  }
  returned = static_cast<std::uint32_t>(got);
  return ft::kOk;
}

FtStatus SimulatedTransport::Purge(FtHandle handle, std::uint32_t mask) {
  if (std::optional<FtStatus> status = EnterOpen("Purge", handle)) {
    return *status;
  }
  device_.Purge((mask & ft::kPurgeRx) != 0, (mask & ft::kPurgeTx) != 0);
  return ft::kOk;
}

FtStatus SimulatedTransport::Close(FtHandle handle) {
  if (std::optional<FtStatus> forced = Enter("Close")) {
    return *forced;
  }
  if (open_ == 0 || handle != open_) {
    return ft::kInvalidHandle;
  }
  open_ = 0;
  return device_.Unplugged() ? ft::kIoError : ft::kOk;
}

}  // namespace nimbo::sim
