// The calls through which the program reaches the USB serial interface.
//
// The interface follows the vendor's D2XX library call for call: every call
// returns a status (0 = success) and reports counts through out-parameters.
// Two backends implement it: libftdi1 for real hardware and the simulated
// NIMBO device. Nothing above this interface knows which one it talks to.
#pragma once

#include <cstdint>
#include <span>

namespace nimbo {

using FtStatus = std::uint32_t;
using FtHandle = std::uint32_t;  // 0 means no handle

// The vendor's public status codes.
namespace ft {
inline constexpr FtStatus kOk = 0;
inline constexpr FtStatus kInvalidHandle = 1;
inline constexpr FtStatus kDeviceNotFound = 2;
inline constexpr FtStatus kDeviceNotOpened = 3;
inline constexpr FtStatus kIoError = 4;
inline constexpr FtStatus kInsufficientResources = 5;
inline constexpr FtStatus kInvalidParameter = 6;

// Open flag: the name passed to OpenEx is the USB product description.
inline constexpr std::uint32_t kOpenByDescription = 2;
// Purge mask bits.
inline constexpr std::uint32_t kPurgeRx = 1;
inline constexpr std::uint32_t kPurgeTx = 2;
}  // namespace ft

class D2xx {
 public:
  virtual ~D2xx() = default;

  // Opens the first interface whose USB product description equals
  // `description` (with flag kOpenByDescription). On success `handle` is
  // non-zero.
  virtual FtStatus OpenEx(const char* description, std::uint32_t flags, FtHandle& handle) = 0;
  virtual FtStatus SetBaudRate(FtHandle handle, std::uint32_t baud) = 0;
  virtual FtStatus SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                  std::uint8_t xoff) = 0;
  virtual FtStatus SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) = 0;
  virtual FtStatus SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                    std::uint32_t outTransferSize) = 0;
  // Word length 7 or 8; stop bits 0 = one, 2 = two; parity 0 = none.
  virtual FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                          std::uint8_t stopBits, std::uint8_t parity) = 0;
  virtual FtStatus SetChars(FtHandle handle, std::uint8_t eventChar, std::uint8_t eventEnable,
                            std::uint8_t errorChar, std::uint8_t errorEnable) = 0;
  // Time-outs in milliseconds; 0 for the write time-out means none.
  virtual FtStatus SetTimeouts(FtHandle handle, std::uint32_t readTimeout,
                               std::uint32_t writeTimeout) = 0;
  // Writes all of `data`; `written` receives the count the interface took.
  virtual FtStatus Write(FtHandle handle, std::span<const std::uint8_t> data,
                         std::uint32_t& written) = 0;
  // Blocks until `destination.size()` bytes have arrived or the read time-out
  // has passed; `returned` receives the count stored (0 on a time-out).
  virtual FtStatus Read(FtHandle handle, std::span<std::uint8_t> destination,
                        std::uint32_t& returned) = 0;
  virtual FtStatus Purge(FtHandle handle, std::uint32_t mask) = 0;
  virtual FtStatus Close(FtHandle handle) = 0;
};

}  // namespace nimbo
