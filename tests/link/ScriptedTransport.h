// A transport for tests that records every call by name. Reads hand out a
// script of pieces and statuses (an exhausted script reads as a time-out);
// OpenEx goes on to a real transport when one is given; all else succeeds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "support/TestTransport.h"

namespace nimbo::test {

struct ReadPiece {
  FtStatus status = ft::kOk;
  std::vector<std::uint8_t> bytes;  // handed over (up to the size asked for)
};

class ScriptedTransport final : public TestTransport {
 public:
  explicit ScriptedTransport(D2xx* opener = nullptr) : opener_(opener) {}

  std::deque<ReadPiece> reads;
  std::optional<U32> writeLimit;  // the most bytes a write takes

  FtStatus OpenEx(const char* description, U32 flags, FtHandle& handle) override {
    Note(__func__);
    handle = 7;
    return opener_ ? opener_->OpenEx(description, flags, handle) : ft::kOk;
  }
  FtStatus Write(FtHandle, std::span<const U8> data, U32& written) override {
    written = std::min(static_cast<U32>(data.size()), writeLimit.value_or(data.size()));
    return Note(__func__);
  }
  FtStatus Read(FtHandle, std::span<U8> destination, U32& returned) override {
    Note(__func__);
    returned = 0;
    if (reads.empty()) {
      return ft::kOk;
    }
    const ReadPiece piece = reads.front();
    reads.pop_front();
    returned = static_cast<U32>(std::min(destination.size(), piece.bytes.size()));
    std::copy_n(piece.bytes.begin(), returned, destination.begin());
    return piece.status;
  }

 private:
  D2xx* opener_;
};

}  // namespace nimbo::test
