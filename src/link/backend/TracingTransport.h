// A D2xx that passes every call on and writes the bytes that travel as hex.
//
// Consecutive writes form one line "> 57 4D 20 00 ..." that ends with the next
// read; consecutive reads form one line "< 57 4D 01" that ends with the next
// write or purge. So one exchange reads as one frame line and one reply line,
// however many calls carried it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <vector>

#include "link/D2xx.h"

namespace nimbo::backend {

class TracingTransport final : public D2xx {
 public:
  TracingTransport(D2xx& inner, std::ostream& trace);
  ~TracingTransport() override;
  TracingTransport(const TracingTransport&) = delete;
  TracingTransport& operator=(const TracingTransport&) = delete;

  // Writes out the line being gathered, if any.
  void Flush();

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
  enum class Direction { None, ToDevice, FromDevice };

  // Starts a line in `direction` unless one is open already.
  void Gather(Direction direction, std::span<const std::uint8_t> bytes);

  D2xx& inner_;
  std::ostream& trace_;
  Direction direction_ = Direction::None;
  std::vector<std::uint8_t> line_;
};

}  // namespace nimbo::backend
