// A transport whose answers all come from the fuzzer's input: every status,
// and every read's size and bytes. When the input runs out, calls succeed and
// reads return nothing, as a silent device would.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "link/D2xx.h"

namespace nimbo::fuzz {

class FuzzTransport final : public D2xx {
 public:
  explicit FuzzTransport(FuzzedDataProvider& input) : input_(input) {}

  FtStatus OpenEx(const char*, std::uint32_t, FtHandle& handle) override {
    const FtStatus status = Status();
    handle = status == ft::kOk ? 1 : 0;
    return status;
  }
  FtStatus SetBaudRate(FtHandle, std::uint32_t) override { return Status(); }
  FtStatus SetFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
    return Status();
  }
  FtStatus SetLatencyTimer(FtHandle, std::uint8_t) override { return Status(); }
  FtStatus SetUSBParameters(FtHandle, std::uint32_t, std::uint32_t) override { return Status(); }
  FtStatus SetDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return Status();
  }
  FtStatus SetChars(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return Status();
  }
  FtStatus SetTimeouts(FtHandle, std::uint32_t, std::uint32_t) override { return Status(); }
  FtStatus Write(FtHandle, std::span<const std::uint8_t> data, std::uint32_t& written) override {
    // Copying reads every byte, so a frame taken from outside its buffer is
    // caught by the address sanitizer.
    sent_.assign(data.begin(), data.end());
    written = static_cast<std::uint32_t>(sent_.size());
    return Status();
  }
  FtStatus Read(FtHandle, std::span<std::uint8_t> destination, std::uint32_t& returned) override {
    returned = 0;
    if (input_.remaining_bytes() == 0) {
      return ft::kOk;  // a time-out
    }
    const FtStatus status = Status();
    const auto count = input_.ConsumeIntegralInRange<std::size_t>(0, destination.size());
    const std::vector<std::uint8_t> bytes = input_.ConsumeBytes<std::uint8_t>(count);
    std::copy(bytes.begin(), bytes.end(), destination.begin());
    returned = static_cast<std::uint32_t>(bytes.size());
    if (input_.ConsumeIntegralInRange<int>(0, 31) == 0) {
      returned += 1;  // a transport that overstates what it stored
    }
    return status;
  }
  FtStatus Purge(FtHandle, std::uint32_t) override { return Status(); }
  FtStatus Close(FtHandle) override { return ft::kOk; }

 private:
  // Mostly success; now and then status 4 (which may still carry bytes) or
  // another failure.
  FtStatus Status() {
    if (input_.remaining_bytes() == 0) {
      return ft::kOk;
    }
    const auto pick = input_.ConsumeIntegral<std::uint8_t>();
    if (pick < 200) {
      return ft::kOk;
    }
    if (pick < 230) {
      return ft::kIoError;
    }
    return pick % 7;
  }

  FuzzedDataProvider& input_;
  std::vector<std::uint8_t> sent_;
};

}  // namespace nimbo::fuzz
