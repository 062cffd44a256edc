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

void SimulatedTransport::ResetLine() {
  // The interface's settings after it is opened, before the host sets any.
  Timing& line = device_.TimingModel();
  line.baud = baud_ = 9600;
  line.wordLength = 8;
  line.stopBits = 0;
  line.parity = 0;
  line.flowControl = kFlowNone;
  line.xon = 0x11;
  line.xoff = 0x13;
  line.eventChar.reset();
  line.latencyTimer = 16000;
  line.inTransferSize = 4096;
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
  if (open_ != 0 || !device_.Claim()) {
    return ft::kDeviceNotOpened;  // one program at a time, as with the real interface
  }
  open_ = nextHandle_++;
  readTimeout_ = device_.TimingModel().readTimeout;
  ResetLine();
  handle = open_;
  return ft::kOk;
}

FtStatus SimulatedTransport::SetBaudRate(FtHandle handle, std::uint32_t baud) {
  if (std::optional<FtStatus> status = EnterOpen("SetBaudRate", handle)) {
    return *status;
  }
  baud_ = baud;
  device_.TimingModel().baud = baud;
  return ft::kOk;
}

FtStatus SimulatedTransport::SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                            std::uint8_t xoff) {
  if (std::optional<FtStatus> status = EnterOpen("SetFlowControl", handle)) {
    return *status;
  }
  if (flow != kFlowNone && flow != kFlowRtsCts && flow != kFlowDtrDsr && flow != kFlowXonXoff) {
    return ft::kInvalidParameter;
  }
  Timing& line = device_.TimingModel();
  line.flowControl = flow;
  line.xon = xon;
  line.xoff = xoff;
  return ft::kOk;
}

FtStatus SimulatedTransport::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
  if (std::optional<FtStatus> status = EnterOpen("SetLatencyTimer", handle)) {
    return *status;
  }
  device_.TimingModel().latencyTimer =
      static_cast<Micros>(std::max<std::uint8_t>(milliseconds, 1)) * 1000;
  return ft::kOk;
}

FtStatus SimulatedTransport::SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                              std::uint32_t) {
  if (std::optional<FtStatus> status = EnterOpen("SetUSBParameters", handle)) {
    return *status;
  }
  // Whole packets of 64 bytes, up to 64 KiB.
  if (inTransferSize < 64 || inTransferSize > 65536 || inTransferSize % 64 != 0) {
    return ft::kInvalidParameter;
  }
  device_.TimingModel().inTransferSize = inTransferSize;
  return ft::kOk;
}

FtStatus SimulatedTransport::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                    std::uint8_t stopBits, std::uint8_t parity) {
  if (std::optional<FtStatus> status = EnterOpen("SetDataCharacteristics", handle)) {
    return *status;
  }
  if ((wordLength != 7 && wordLength != 8) || (stopBits != 0 && stopBits != 2) || parity > 4) {
    return ft::kInvalidParameter;
  }
  Timing& line = device_.TimingModel();
  line.wordLength = wordLength;
  line.stopBits = stopBits;
  line.parity = parity;
  return ft::kOk;
}

FtStatus SimulatedTransport::SetChars(FtHandle handle, std::uint8_t eventChar,
                                      std::uint8_t eventEnable, std::uint8_t, std::uint8_t) {
  if (std::optional<FtStatus> status = EnterOpen("SetChars", handle)) {
    return *status;
  }
  device_.TimingModel().eventChar =
      eventEnable != 0 ? std::optional<std::uint8_t>(eventChar) : std::nullopt;
  return ft::kOk;
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
  device_.Release();
  return device_.Unplugged() ? ft::kIoError : ft::kOk;
}

}  // namespace nimbo::sim
