#include "link/ftdi/LibFtdiTransport.h"

#include <ftdi.h>

#include <array>
#include <climits>
#include <cstring>

#include "link/ftdi/PolledRead.h"

namespace nimbo::ftdi {
namespace {

// The vendor's status for a baud rate the chip cannot make.
constexpr FtStatus kInvalidBaudRate = 7;
// Open flag: the name passed to OpenEx is the USB serial number.
constexpr std::uint32_t kOpenBySerialNumber = 1;
// libftdi's own write time-out, kept when the caller asks for none so that a
// wedged interface cannot hang the program forever.
constexpr int kDefaultWriteTimeoutMs = 5000;
// Longest USB string descriptor text the search compares.
constexpr int kUsbStringLength = 128;
// ftdi_usb_get_strings: the device could not be opened (usually permissions).
constexpr int kStringsOpenFailed = -4;

FtStatus StatusOf(int libftdiResult) {
  return libftdiResult < 0 ? ft::kIoError : ft::kOk;
}

struct DeviceListDeleter {
  void operator()(ftdi_device_list* list) const { ftdi_list_free(&list); }
};
using DeviceListPtr = std::unique_ptr<ftdi_device_list, DeviceListDeleter>;

// Reads the wanted string of `device` into `text`; returns libftdi's result.
int ReadIdentity(ftdi_context* context, libusb_device* device, bool bySerial,
                 std::array<char, kUsbStringLength>& text) {
  text.fill('\0');
  const int result = bySerial ? ftdi_usb_get_strings(context, device, nullptr, 0, nullptr, 0,
                                                     text.data(), kUsbStringLength)
                              : ftdi_usb_get_strings(context, device, nullptr, 0, text.data(),
                                                     kUsbStringLength, nullptr, 0);
  text.back() = '\0';
  return result;
}

}  // namespace

void LibFtdiTransport::ContextDeleter::operator()(ftdi_context* context) const {
  ftdi_free(context);  // also closes the USB device if it is still open
}

LibFtdiTransport::LibFtdiTransport() = default;
LibFtdiTransport::~LibFtdiTransport() = default;

LibFtdiTransport::OpenInterface* LibFtdiTransport::Find(FtHandle handle) {
  const auto found = open_.find(handle);
  return found == open_.end() ? nullptr : &found->second;
}

FtStatus LibFtdiTransport::OpenEx(const char* description, std::uint32_t flags, FtHandle& handle) {
  handle = 0;
  if (description == nullptr || (flags != ft::kOpenByDescription && flags != kOpenBySerialNumber)) {
    return ft::kInvalidParameter;
  }
  const bool bySerial = flags == kOpenBySerialNumber;
  // No context means libusb could not start: there is no USB to search.
  ContextPtr context(ftdi_new());
  if (!context) {
    return ft::kDeviceNotFound;
  }
  bool unreadable = false;
  for (const int product : kFtdiProductIds) {
    ftdi_device_list* raw = nullptr;
    const int count = ftdi_usb_find_all(context.get(), &raw, kFtdiVendorId, product);
    const DeviceListPtr list(raw);
    if (count <= 0) {
      continue;
    }
    for (ftdi_device_list* entry = list.get(); entry != nullptr; entry = entry->next) {
      std::array<char, kUsbStringLength> text{};
      const int result = ReadIdentity(context.get(), entry->dev, bySerial, text);
      if (result == kStringsOpenFailed) {
        unreadable = true;
      }
      if (result < 0 || std::strcmp(text.data(), description) != 0) {
        continue;
      }
      // The kernel's serial driver gets the interface back when we close it.
      context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
      if (ftdi_usb_open_dev(context.get(), entry->dev) < 0) {
        return ft::kDeviceNotOpened;
      }
      // Back to plain serial mode in case a previous user left bit-bang on.
      ftdi_set_bitmode(context.get(), 0, BITMODE_RESET);
      while (nextHandle_ == 0 || open_.contains(nextHandle_)) {
        ++nextHandle_;
      }
      handle = nextHandle_++;
      open_.emplace(handle, OpenInterface{std::move(context), 0});
      return ft::kOk;
    }
  }
  // A device we were not allowed to inspect may be the one wanted.
  return unreadable ? ft::kDeviceNotOpened : ft::kDeviceNotFound;
}

FtStatus LibFtdiTransport::SetBaudRate(FtHandle handle, std::uint32_t baud) {
  OpenInterface* open = Find(handle);
  if (open == nullptr) {
    return ft::kInvalidHandle;
  }
  if (baud == 0 || baud > static_cast<std::uint32_t>(INT_MAX)) {
    return kInvalidBaudRate;
  }
  const int result = ftdi_set_baudrate(open->context.get(), static_cast<int>(baud));
  return result == -1 ? kInvalidBaudRate : StatusOf(result);
}

FtStatus LibFtdiTransport::SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                          std::uint8_t xoff) {
  OpenInterface* open = Find(handle);
  if (open == nullptr) {
    return ft::kInvalidHandle;
  }
  // The vendor's flow codes equal the chip's request values.
  switch (flow) {
    case SIO_DISABLE_FLOW_CTRL:
    case SIO_RTS_CTS_HS:
    case SIO_DTR_DSR_HS:
      return StatusOf(ftdi_setflowctrl(open->context.get(), flow));
    case SIO_XON_XOFF_HS:
      return StatusOf(ftdi_setflowctrl_xonxoff(open->context.get(), xon, xoff));
    default:
      return ft::kInvalidParameter;
  }
}

FtStatus LibFtdiTransport::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
  OpenInterface* open = Find(handle);
  if (open == nullptr) {
    return ft::kInvalidHandle;
  }
  if (milliseconds == 0) {
    return ft::kInvalidParameter;
  }
  return StatusOf(ftdi_set_latency_timer(open->context.get(), milliseconds));
}

FtStatus LibFtdiTransport::SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                            std::uint32_t outTransferSize) {
  OpenInterface* open = Find(handle);
  if (open == nullptr) {
    return ft::kInvalidHandle;
  }
  // 0 leaves a size as it is; libftdi would otherwise write in empty chunks.
  if (inTransferSize != 0 &&
      ftdi_read_data_set_chunksize(open->context.get(), inTransferSize) < 0) {
    return ft::kIoError;
  }
  if (outTransferSize != 0 &&
      ftdi_write_data_set_chunksize(open->context.get(), outTransferSize) < 0) {
    return ft::kIoError;
  }
  return ft::kOk;
}

FtStatus LibFtdiTransport::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity) {
  OpenInterface* open = Find(handle);
  if (open == nullptr) {
    return ft::kInvalidHandle;
  }
  if ((wordLength != BITS_7 && wordLength != BITS_8) || stopBits > STOP_BIT_2 || parity > SPACE) {
    return ft::kInvalidParameter;
  }
  return StatusOf(ftdi_set_line_property(
      open->context.get(), static_cast<ftdi_bits_type>(wordLength),
      static_cast<ftdi_stopbits_type>(stopBits), static_cast<ftdi_parity_type>(parity)));
}

FtStatus LibFtdiTransport::SetChars(FtHandle handle, std::uint8_t eventChar,
                                    std::uint8_t eventEnable, std::uint8_t errorChar,
                                    std::uint8_t errorEnable) {
  OpenInterface* open = Find(handle);
  if (open == nullptr) {
    return ft::kInvalidHandle;
  }
  const int result = ftdi_set_event_char(open->context.get(), eventChar, eventEnable != 0 ? 1 : 0);
  if (result < 0) {
    return ft::kIoError;
  }
  return StatusOf(ftdi_set_error_char(open->context.get(), errorChar, errorEnable != 0 ? 1 : 0));
}

FtStatus LibFtdiTransport::SetTimeouts(FtHandle handle, std::uint32_t readTimeout,
                                       std::uint32_t writeTimeout) {
  OpenInterface* open = Find(handle);
  if (open == nullptr) {
    return ft::kInvalidHandle;
  }
  if (readTimeout > static_cast<std::uint32_t>(INT_MAX) ||
      writeTimeout > static_cast<std::uint32_t>(INT_MAX)) {
    return ft::kInvalidParameter;
  }
  open->readTimeout = static_cast<Micros>(readTimeout) * 1000;
  ftdi_context* context = open->context.get();
  // One USB transfer never needs to wait longer than the whole read may.
  if (readTimeout != 0) {
    context->usb_read_timeout = static_cast<int>(readTimeout);
  }
  context->usb_write_timeout =
      writeTimeout != 0 ? static_cast<int>(writeTimeout) : kDefaultWriteTimeoutMs;
  return ft::kOk;
}

FtStatus LibFtdiTransport::Write(FtHandle handle, std::span<const std::uint8_t> data,
                                 std::uint32_t& written) {
  written = 0;
  OpenInterface* open = Find(handle);
  if (open == nullptr) {
    return ft::kInvalidHandle;
  }
  if (data.size() > static_cast<std::size_t>(INT_MAX)) {
    return ft::kInvalidParameter;
  }
  if (data.empty()) {
    return ft::kOk;
  }
  const int result =
      ftdi_write_data(open->context.get(), data.data(), static_cast<int>(data.size()));
  if (result < 0) {
    return ft::kIoError;
  }
  written = static_cast<std::uint32_t>(result);
  return ft::kOk;
}

FtStatus LibFtdiTransport::Read(FtHandle handle, std::span<std::uint8_t> destination,
                                std::uint32_t& returned) {
  returned = 0;
  OpenInterface* open = Find(handle);
  if (open == nullptr) {
    return ft::kInvalidHandle;
  }
  if (destination.size() > static_cast<std::size_t>(INT_MAX)) {
    return ft::kInvalidParameter;
  }
  if (destination.empty()) {
    return ft::kOk;
  }
  ftdi_context* context = open->context.get();
  const PollFunction poll = [context](std::span<std::uint8_t> rest) {
    return ftdi_read_data(context, rest.data(), static_cast<int>(rest.size()));
  };
  const PolledReadResult result = ReadWithTimeout(poll, clock_, open->readTimeout, destination);
  returned = static_cast<std::uint32_t>(result.count);
  return result.failed ? ft::kIoError : ft::kOk;
}

FtStatus LibFtdiTransport::Purge(FtHandle handle, std::uint32_t mask) {
  OpenInterface* open = Find(handle);
  if (open == nullptr) {
    return ft::kInvalidHandle;
  }
  if ((mask & ~(ft::kPurgeRx | ft::kPurgeTx)) != 0) {
    return ft::kInvalidParameter;
  }
  ftdi_context* context = open->context.get();
  const bool rx = (mask & ft::kPurgeRx) != 0;
  const bool tx = (mask & ft::kPurgeTx) != 0;
  if (rx && tx) {
    return StatusOf(ftdi_tcioflush(context));
  }
  if (rx) {
    return StatusOf(ftdi_tciflush(context));
  }
  if (tx) {
    return StatusOf(ftdi_tcoflush(context));
  }
  return ft::kOk;
}

FtStatus LibFtdiTransport::Close(FtHandle handle) {
  const auto found = open_.find(handle);
  if (found == open_.end()) {
    return ft::kInvalidHandle;
  }
  const int result = ftdi_usb_close(found->second.context.get());
  open_.erase(found);  // frees the context whatever the close reported
  return StatusOf(result);
}

}  // namespace nimbo::ftdi
