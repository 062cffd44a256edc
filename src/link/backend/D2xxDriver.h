// The D2XX calls served by the vendor's own driver library, loaded while the
// program runs: FTD2XX.DLL, which Windows installs with the FTDI driver, or
// libftd2xx.so where a Linux user has installed it. Nothing of the vendor's
// is needed to build the program.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "link/D2xx.h"

namespace nimbo::backend {

// The name under which the system finds the vendor's library.
#ifdef _WIN32
inline constexpr const char* kD2xxLibraryName = "FTD2XX.DLL";
#else
inline constexpr const char* kD2xxLibraryName = "libftd2xx.so";
#endif

class D2xxDriver final : public D2xx {
 public:
  // Loads `library` and finds its twelve calls. nullptr with a message in
  // `error` when the library is missing ("the FTDI D2XX driver is not
  // installed") or lacks one of the calls (named in the message).
  static std::unique_ptr<D2xxDriver> Load(const std::string& library, std::string& error);
  ~D2xxDriver() override;
  D2xxDriver(const D2xxDriver&) = delete;
  D2xxDriver& operator=(const D2xxDriver&) = delete;

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

  struct Library;  // the loaded library and its calls

 private:
  explicit D2xxDriver(std::unique_ptr<Library> library);
  // The driver's handle behind one of ours, or nullptr.
  void* Native(FtHandle handle) const;

  std::unique_ptr<Library> library_;
  // The driver's handles are pointers (64 bits wide); the link keeps a
  // 32-bit number, so each open handle gets one.
  std::map<FtHandle, void*> handles_;
  FtHandle nextHandle_ = 1;
};

}  // namespace nimbo::backend
