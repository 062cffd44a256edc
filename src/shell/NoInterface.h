// A transport with no interface behind it: every call fails with "not
// found". A second copy of the program gets this instead of the real link, so
// that it cannot disturb the link of the copy that runs.
#pragma once

#include "link/D2xx.h"

namespace nimbo::shell {

class NoInterface final : public D2xx {
 public:
  FtStatus OpenEx(const char*, std::uint32_t, FtHandle& handle) override {
    handle = 0;
    return ft::kDeviceNotFound;
  }
  FtStatus SetBaudRate(FtHandle, std::uint32_t) override { return ft::kInvalidHandle; }
  FtStatus SetFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
    return ft::kInvalidHandle;
  }
  FtStatus SetLatencyTimer(FtHandle, std::uint8_t) override { return ft::kInvalidHandle; }
  FtStatus SetUSBParameters(FtHandle, std::uint32_t, std::uint32_t) override {
    return ft::kInvalidHandle;
  }
  FtStatus SetDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return ft::kInvalidHandle;
  }
  FtStatus SetChars(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return ft::kInvalidHandle;
  }
  FtStatus SetTimeouts(FtHandle, std::uint32_t, std::uint32_t) override {
    return ft::kInvalidHandle;
  }
  FtStatus Write(FtHandle, std::span<const std::uint8_t>, std::uint32_t& written) override {
    written = 0;
    return ft::kInvalidHandle;
  }
  FtStatus Read(FtHandle, std::span<std::uint8_t>, std::uint32_t& returned) override {
    returned = 0;
    return ft::kInvalidHandle;
  }
  FtStatus Purge(FtHandle, std::uint32_t) override { return ft::kInvalidHandle; }
  FtStatus Close(FtHandle) override { return ft::kInvalidHandle; }
};

}  // namespace nimbo::shell
