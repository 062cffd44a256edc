// A transport whose reads hand out a fixed script of pieces and statuses, for
// the exact semantics of the readers; writes and other calls are recorded.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/D2xx.h"

namespace nimbo::test {

struct ReadPiece {
  FtStatus status = ft::kOk;
  std::vector<std::uint8_t> bytes;  // handed over (up to the size asked for)
};

class ScriptedTransport final : public D2xx {
 public:
  std::deque<ReadPiece> reads;  // an exhausted script reads as a time-out
  std::vector<std::string> calls;
  std::vector<std::vector<std::uint8_t>> writes;

  FtStatus OpenEx(const char*, std::uint32_t, FtHandle& handle) override {
    calls.emplace_back("OpenEx");
    handle = 7;
    return ft::kOk;
  }
  FtStatus SetBaudRate(FtHandle, std::uint32_t) override { return Note("SetBaudRate"); }
  FtStatus SetFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
    return Note("SetFlowControl");
  }
  FtStatus SetLatencyTimer(FtHandle, std::uint8_t) override { return Note("SetLatencyTimer"); }
  FtStatus SetUSBParameters(FtHandle, std::uint32_t, std::uint32_t) override {
    return Note("SetUSBParameters");
  }
  FtStatus SetDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return Note("SetDataCharacteristics");
  }
  FtStatus SetChars(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return Note("SetChars");
  }
  FtStatus SetTimeouts(FtHandle, std::uint32_t, std::uint32_t) override {
    return Note("SetTimeouts");
  }
  FtStatus Write(FtHandle, std::span<const std::uint8_t> data, std::uint32_t& written) override {
    calls.emplace_back("Write");
    writes.emplace_back(data.begin(), data.end());
    written = static_cast<std::uint32_t>(data.size());
    return ft::kOk;
  }
  FtStatus Read(FtHandle, std::span<std::uint8_t> destination, std::uint32_t& returned) override {
    calls.emplace_back("Read");
    returned = 0;
    if (reads.empty()) {
      return ft::kOk;
    }
    const ReadPiece piece = reads.front();
    reads.pop_front();
    const auto count = std::min(destination.size(), piece.bytes.size());
    std::copy_n(piece.bytes.begin(), count, destination.begin());
    returned = static_cast<std::uint32_t>(count);
    return piece.status;
  }
  FtStatus Purge(FtHandle, std::uint32_t) override { return Note("Purge"); }
  FtStatus Close(FtHandle) override { return Note("Close"); }

 private:
  FtStatus Note(const char* call) {
    calls.emplace_back(call);
    return ft::kOk;
  }
};

}  // namespace nimbo::test
