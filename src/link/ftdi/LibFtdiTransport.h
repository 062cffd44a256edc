// The D2XX calls served by libftdi1, for a real NIMBO device on USB.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "link/Clock.h"
#include "link/D2xx.h"

struct ftdi_context;

namespace nimbo::ftdi {

// USB identity of the interfaces the program looks for.
inline constexpr int kFtdiVendorId = 0x0403;
inline constexpr int kFtdiProductIds[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};

class LibFtdiTransport final : public D2xx {
 public:
  LibFtdiTransport();
  ~LibFtdiTransport() override;
  LibFtdiTransport(const LibFtdiTransport&) = delete;
  LibFtdiTransport& operator=(const LibFtdiTransport&) = delete;

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
  struct ContextDeleter {
    void operator()(ftdi_context* context) const;
  };
  using ContextPtr = std::unique_ptr<ftdi_context, ContextDeleter>;

  struct OpenInterface {
    ContextPtr context;
    Micros readTimeout = 0;  // 0: a read returns what is there at once
  };

  // The open interface behind `handle`, or nullptr.
  OpenInterface* Find(FtHandle handle);

  std::map<FtHandle, OpenInterface> open_;
  FtHandle nextHandle_ = 1;
  SteadyClock clock_;
};

}  // namespace nimbo::ftdi
