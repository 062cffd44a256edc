#include "link/backend/D2xxDriver.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "link/platform/DynamicLibrary.h"

namespace nimbo::backend {
namespace {

// The calls as the vendor's D2XX programmer's guide declares them: FT_STATUS
// is a ULONG and DWORD a 32-bit unsigned number (in the Linux library too),
// FT_HANDLE a pointer; on Windows every call is WINAPI (__stdcall).
#ifdef _WIN32
#define NIMBO_D2XX_CALL __stdcall
#else
#define NIMBO_D2XX_CALL
#endif
using Status = std::uint32_t;
using Handle = void*;
using Dword = std::uint32_t;
using Uchar = std::uint8_t;
using OpenExCall = Status(NIMBO_D2XX_CALL*)(void* name, Dword flags, Handle* handle);
using SetBaudRateCall = Status(NIMBO_D2XX_CALL*)(Handle, Dword baud);
using SetFlowControlCall = Status(NIMBO_D2XX_CALL*)(Handle, std::uint16_t flow, Uchar xon,
                                                    Uchar xoff);
using SetLatencyTimerCall = Status(NIMBO_D2XX_CALL*)(Handle, Uchar milliseconds);
using SetUSBParametersCall = Status(NIMBO_D2XX_CALL*)(Handle, Dword in, Dword out);
using SetDataCharacteristicsCall = Status(NIMBO_D2XX_CALL*)(Handle, Uchar wordLength,
                                                            Uchar stopBits, Uchar parity);
using SetCharsCall = Status(NIMBO_D2XX_CALL*)(Handle, Uchar eventChar, Uchar eventEnable,
                                              Uchar errorChar, Uchar errorEnable);
using SetTimeoutsCall = Status(NIMBO_D2XX_CALL*)(Handle, Dword readMs, Dword writeMs);
using TransferCall = Status(NIMBO_D2XX_CALL*)(Handle, void* buffer, Dword count, Dword* done);
using PurgeCall = Status(NIMBO_D2XX_CALL*)(Handle, Dword mask);
using CloseCall = Status(NIMBO_D2XX_CALL*)(Handle);

}  // namespace

struct D2xxDriver::Library {
  explicit Library(platform::DynamicLibrary loaded) : library(std::move(loaded)) {}

  // Finds `symbol`; notes its name in `missing` when it is the first absent.
  template <typename Call>
  void Find(Call& call, const char* symbol, std::string& missing) {
    call = reinterpret_cast<Call>(library.Find(symbol));
    if (call == nullptr && missing.empty()) {
      missing = symbol;
    }
  }

  platform::DynamicLibrary library;
  OpenExCall openEx = nullptr;
  SetBaudRateCall setBaudRate = nullptr;
  SetFlowControlCall setFlowControl = nullptr;
  SetLatencyTimerCall setLatencyTimer = nullptr;
  SetUSBParametersCall setUSBParameters = nullptr;
  SetDataCharacteristicsCall setDataCharacteristics = nullptr;
  SetCharsCall setChars = nullptr;
  SetTimeoutsCall setTimeouts = nullptr;
  TransferCall write = nullptr;
  TransferCall read = nullptr;
  PurgeCall purge = nullptr;
  CloseCall close = nullptr;
};

std::unique_ptr<D2xxDriver> D2xxDriver::Load(const std::string& library, std::string& error) {
  platform::SystemError failure;
  std::optional<platform::DynamicLibrary> loaded = platform::DynamicLibrary::Load(library, failure);
  if (!loaded) {
    // Some systems name the library in their reason already.
    const std::string reason =
        failure.text.starts_with(library) ? failure.text : library + ": " + failure.text;
    error = failure.kind == platform::SystemError::Kind::NotFound
                ? "the FTDI D2XX driver is not installed (" + reason + ")"
                : "the FTDI D2XX driver cannot be loaded (" + reason + ")";
    return nullptr;
  }
  auto calls = std::make_unique<Library>(std::move(*loaded));
  std::string missing;  // the first call the library lacks
  calls->Find(calls->openEx, "FT_OpenEx", missing);
  calls->Find(calls->setBaudRate, "FT_SetBaudRate", missing);
  calls->Find(calls->setFlowControl, "FT_SetFlowControl", missing);
  calls->Find(calls->setLatencyTimer, "FT_SetLatencyTimer", missing);
  calls->Find(calls->setUSBParameters, "FT_SetUSBParameters", missing);
  calls->Find(calls->setDataCharacteristics, "FT_SetDataCharacteristics", missing);
  calls->Find(calls->setChars, "FT_SetChars", missing);
  calls->Find(calls->setTimeouts, "FT_SetTimeouts", missing);
  calls->Find(calls->write, "FT_Write", missing);
  calls->Find(calls->read, "FT_Read", missing);
  calls->Find(calls->purge, "FT_Purge", missing);
  calls->Find(calls->close, "FT_Close", missing);
  if (!missing.empty()) {
    error = "the FTDI D2XX driver " + library + " lacks the call " + missing +
            " (a version this program cannot use)";
    return nullptr;
  }
  return std::unique_ptr<D2xxDriver>(new D2xxDriver(std::move(calls)));
}

D2xxDriver::D2xxDriver(std::unique_ptr<Library> library) : library_(std::move(library)) {}

D2xxDriver::~D2xxDriver() {
  for (const auto& [handle, native] : handles_) {
    library_->close(native);
  }
}

void* D2xxDriver::Native(FtHandle handle) const {
  const auto found = handles_.find(handle);
  return found == handles_.end() ? nullptr : found->second;
}

FtStatus D2xxDriver::OpenEx(const char* description, std::uint32_t flags, FtHandle& handle) {
  handle = 0;
  Handle native = nullptr;
  // The driver takes the name as a plain pointer and only reads it.
  const Status status = library_->openEx(const_cast<char*>(description), flags, &native);
  if (status != ft::kOk) {
    return status;
  }
  if (native == nullptr) {
    return ft::kDeviceNotOpened;
  }
  while (nextHandle_ == 0 || handles_.contains(nextHandle_)) {
    ++nextHandle_;
  }
  handle = nextHandle_++;
  handles_.emplace(handle, native);
  return ft::kOk;
}

#define NIMBO_D2XX_FORWARD(call, ...) \
  void* native = Native(handle);      \
  if (native == nullptr) {            \
    return ft::kInvalidHandle;        \
  }                                   \
  return library_->call(native, __VA_ARGS__)

FtStatus D2xxDriver::SetBaudRate(FtHandle handle, std::uint32_t baud) {
  NIMBO_D2XX_FORWARD(setBaudRate, baud);
}
FtStatus D2xxDriver::SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                    std::uint8_t xoff) {
  NIMBO_D2XX_FORWARD(setFlowControl, flow, xon, xoff);
}
FtStatus D2xxDriver::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
  NIMBO_D2XX_FORWARD(setLatencyTimer, milliseconds);
}
FtStatus D2xxDriver::SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                      std::uint32_t outTransferSize) {
  NIMBO_D2XX_FORWARD(setUSBParameters, inTransferSize, outTransferSize);
}
FtStatus D2xxDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) {
  NIMBO_D2XX_FORWARD(setDataCharacteristics, wordLength, stopBits, parity);
}
FtStatus D2xxDriver::SetChars(FtHandle handle, std::uint8_t eventChar, std::uint8_t eventEnable,
                              std::uint8_t errorChar, std::uint8_t errorEnable) {
  NIMBO_D2XX_FORWARD(setChars, eventChar, eventEnable, errorChar, errorEnable);
}
FtStatus D2xxDriver::SetTimeouts(FtHandle handle, std::uint32_t readTimeout,
                                 std::uint32_t writeTimeout) {
  NIMBO_D2XX_FORWARD(setTimeouts, readTimeout, writeTimeout);
}
FtStatus D2xxDriver::Purge(FtHandle handle, std::uint32_t mask) {
  NIMBO_D2XX_FORWARD(purge, mask);
}

#undef NIMBO_D2XX_FORWARD

FtStatus D2xxDriver::Write(FtHandle handle, std::span<const std::uint8_t> data,
                           std::uint32_t& written) {
  written = 0;
  void* native = Native(handle);
  if (native == nullptr) {
    return ft::kInvalidHandle;
  }
  // The driver only reads the bytes it is given to write.
  const auto count = static_cast<Dword>(std::min<std::size_t>(data.size(), UINT32_MAX));
  Dword done = 0;
  const Status status =
      library_->write(native, const_cast<std::uint8_t*>(data.data()), count, &done);
  written = std::min(done, count);
  return status;
}

FtStatus D2xxDriver::Read(FtHandle handle, std::span<std::uint8_t> destination,
                          std::uint32_t& returned) {
  returned = 0;
  void* native = Native(handle);
  if (native == nullptr) {
    return ft::kInvalidHandle;
  }
  const auto count = static_cast<Dword>(std::min<std::size_t>(destination.size(), UINT32_MAX));
  Dword done = 0;
  const Status status = library_->read(native, destination.data(), count, &done);
  returned = std::min(done, count);  // a driver claiming more cannot make the link overrun
  return status;
}

FtStatus D2xxDriver::Close(FtHandle handle) {
  void* native = Native(handle);
  if (native == nullptr) {
    return ft::kInvalidHandle;
  }
  handles_.erase(handle);
  return library_->close(native);
}

}  // namespace nimbo::backend
