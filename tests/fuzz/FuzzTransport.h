// A transport whose answers all come from the fuzzer's input: every status,
// and every read's size and bytes. When the input runs out, calls succeed and
// reads return nothing, as a silent device would.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/TestTransport.h"

namespace nimbo::fuzz {

class FuzzTransport final : public test::TestTransport {
 public:
  explicit FuzzTransport(FuzzedDataProvider& input) : input_(input) {}

  FtStatus OpenEx(const char*, U32, FtHandle& handle) override {
    const FtStatus status = Note(__func__);
    handle = status == ft::kOk ? 1 : 0;
    return status;
  }
  FtStatus Write(FtHandle, std::span<const U8> data, U32& written) override {
    // Copying reads every byte, so a frame taken from outside its buffer is
    // caught by the address sanitizer.
    sent_.assign(data.begin(), data.end());
    written = static_cast<U32>(sent_.size());
    return Note(__func__);
  }
  FtStatus Read(FtHandle, std::span<U8> destination, U32& returned) override {
    returned = 0;
    if (input_.remaining_bytes() == 0) {
      return ft::kOk;  // a time-out
    }
    const FtStatus status = Note(__func__);
    const auto count = input_.ConsumeIntegralInRange<std::size_t>(0, destination.size());
    const std::vector<U8> bytes = input_.ConsumeBytes<U8>(count);
    std::copy(bytes.begin(), bytes.end(), destination.begin());
    returned = static_cast<U32>(bytes.size());
    if (input_.ConsumeIntegralInRange<int>(0, 31) == 0) {
      returned += 1;  // a transport that overstates what it stored
    }
    return status;
  }

 private:
  // Mostly success; now and then status 4 (which may still carry bytes) or
  // another failure.
  FtStatus Answer(const char*) override {
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
  std::vector<U8> sent_;
};

}  // namespace nimbo::fuzz
