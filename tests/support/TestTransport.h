// The transport calls that every test transport answers alike: each set-up
// call, Purge and Close is noted by name and answered by Answer(). OpenEx,
// Write and Read are each test transport's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/D2xx.h"

namespace nimbo::test {

class TestTransport : public D2xx {
 public:
  using U8 = std::uint8_t;
  using U32 = std::uint32_t;

  std::vector<std::string> calls;  // every call by name, in order

  FtStatus SetBaudRate(FtHandle, U32) override { return Note(__func__); }
  FtStatus SetFlowControl(FtHandle, std::uint16_t, U8, U8) override { return Note(__func__); }
  FtStatus SetLatencyTimer(FtHandle, U8) override { return Note(__func__); }
  FtStatus SetUSBParameters(FtHandle, U32, U32) override { return Note(__func__); }
  FtStatus SetDataCharacteristics(FtHandle, U8, U8, U8) override { return Note(__func__); }
  FtStatus SetChars(FtHandle, U8, U8, U8, U8) override { return Note(__func__); }
  FtStatus SetTimeouts(FtHandle, U32, U32) override { return Note(__func__); }
  FtStatus Purge(FtHandle, U32) override { return Note(__func__); }
  FtStatus Close(FtHandle) override { return Note(__func__); }

 protected:
  // Notes `call` and returns its status.
  FtStatus Note(const char* call) {
    calls.emplace_back(call);
    return Answer(call);
  }
  virtual FtStatus Answer(const char* /*call*/) { return ft::kOk; }
};

}  // namespace nimbo::test
