// The USB serial link: open and set up the interface, send a frame, and the
// three readers that gather a reply into the reply buffer, the memory image or
// the read-back block.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <span>

#include "link/NimboModule.h"

namespace nimbo {

namespace {

// Tried in this order; the first that opens is the link.
constexpr std::array<const char*, 3> kDescriptions = {"Corvane Serial Link", "FT232R USB UART",
                                                      "USB Serial Converter"};

constexpr std::uint32_t kBaudRate = 125000;
constexpr std::uint8_t kLatencyMs = 2;
constexpr std::uint32_t kUsbInTransferSize = 4096;
constexpr std::uint32_t kUsbOutTransferSize = 0;
constexpr std::uint8_t kWordLength = 8;
constexpr std::uint8_t kOneStopBit = 0;
constexpr std::uint8_t kNoParity = 0;
constexpr std::uint32_t kReadTimeoutMs = 250;
constexpr std::uint32_t kWriteTimeoutMs = 0;
// Enough to swallow whatever a device left pending before the link opened.
constexpr std::int32_t kDrainCount = 20;
// A read that still hands over the bytes it got; the loop goes on.
constexpr FtStatus kIoErrorWithData = ft::kIoError;

std::int32_t ToCount(std::uint32_t count) {
  return static_cast<std::int32_t>(
      std::min<std::uint32_t>(count, std::numeric_limits<std::int32_t>::max()));
}

// Ends a read whose count does not fit its destination: nothing is read and
// nothing written.
void RefuseRead(NIMBOmodule& module) {
  module.LinkStatus = kLinkReadFailure;
  module.FailureCause = LinkCause::BadRequest;
  module.RxFailed = kTrue;
}

void StartRead(NIMBOmodule& module) {
  module.RxTimedOut = kFalse;
  module.RxFailed = kFalse;
  module.RxTotal = 0;
  module.RxReturned = 0;
}

// The loop shared by the three readers. `destination` holds exactly RxCount
// bytes; each device read asks for the bytes still missing and stores them
// after those already gathered, so a reply in pieces is assembled in order.
// The loop keeps its own count and position: an exchange started from a
// window event while it yields may change the shared ones, but never makes
// this loop write outside `destination`.
void GatherInto(NIMBOmodule& module, std::span<std::uint8_t> destination, bool yieldToWindows) {
  std::size_t total = 0;
  bool ended = false;
  do {
    module.RxReturned = 0;
    const auto missing = destination.subspan(total);
    std::uint32_t returned = 0;
    const FtStatus status = module.Ftdi().Read(module.LinkHandle, missing, returned);
    module.LinkStatus = static_cast<std::int32_t>(status);
    module.FailureCause = CauseOfStatus(status);
    module.RxReturned = ToCount(returned);
    if (returned > missing.size()) {
      // A transport that claims more than it was asked for cannot be trusted.
      module.LinkStatus = kLinkReadFailure;
      module.FailureCause = LinkCause::InterfaceError;
      module.RxFailed = kTrue;
      ended = true;
    } else if (status == ft::kOk || status == kIoErrorWithData) {
      if (yieldToWindows) {
        module.Ui().ProcessEvents();
      }
      if (returned > 0) {
        total += returned;
        module.RxTotal = static_cast<std::int32_t>(total);
      } else {
        module.LinkStatus = kLinkReadFailure;
        module.RxTimedOut = kTrue;
        // Status 4 with nothing read is the interface losing the device, not
        // a device that stays silent.
        module.FailureCause =
            status == kIoErrorWithData ? LinkCause::DeviceGone : LinkCause::NoReply;
        ended = true;
      }
    } else {
      module.LinkStatus = kLinkReadFailure;
      module.FailureCause = LinkCause::InterfaceError;
      module.RxFailed = kTrue;
      ended = true;
    }
  } while (!ended && total != destination.size());
}

}  // namespace

void NIMBOmodule::OpenLink() {
  if (LinkHandle != 0) {
    // Opening again must not leave the old handle open and the interface busy.
    CloseLink();
  }
  D2xx& ftdi = Ftdi();
  FtHandle handle = 0;
  for (const char* description : kDescriptions) {
    handle = 0;
    LinkStatus =
        static_cast<std::int32_t>(ftdi.OpenEx(description, ft::kOpenByDescription, handle));
    if (LinkStatus == 0) {
      break;
    }
  }
  if (LinkStatus != 0) {
    FailureCause = LinkCause::InterfaceError;
    LinkHandle = 0;
    return;
  }
  LinkHandle = handle;

  FtStatus status = ftdi.SetBaudRate(handle, kBaudRate);
  if (status == ft::kOk) {
    status = ftdi.SetFlowControl(handle, 0, 0, 0);
  }
  if (status == ft::kOk) {
    status = ftdi.SetLatencyTimer(handle, kLatencyMs);
  }
  if (status == ft::kOk) {
    // Some interfaces refuse the transfer sizes; the line works without them.
    static_cast<void>(ftdi.SetUSBParameters(handle, kUsbInTransferSize, kUsbOutTransferSize));
    status = ftdi.SetDataCharacteristics(handle, kWordLength, kOneStopBit, kNoParity);
  }
  if (status == ft::kOk) {
    status = ftdi.SetChars(handle, 0, 0, 0, 0);
  }
  if (status == ft::kOk) {
    status = ftdi.SetTimeouts(handle, kReadTimeoutMs, kWriteTimeoutMs);
  }
  if (status != ft::kOk) {
    static_cast<void>(ftdi.Close(handle));
    LinkHandle = 0;
    LinkStatus = static_cast<std::int32_t>(status);
    FailureCause = CauseOfStatus(status);
    return;
  }

  // Discard whatever the device still had to say; this normally ends on the
  // read time-out, which is not a failure here.
  RxCount = kDrainCount;
  ReadReply();
  LinkStatus = 0;
  FailureCause = LinkCause::None;
}

void NIMBOmodule::CloseLink() {
  if (LinkHandle != 0) {
    static_cast<void>(Ftdi().Close(LinkHandle));
  }
  LinkHandle = 0;
}

void NIMBOmodule::SendFrame() {
  TxWritten = 0;
  if (TxCount < 0 || TxCount > static_cast<std::int32_t>(TxBuffer.size())) {
    LinkStatus = kLinkReadFailure;
    FailureCause = LinkCause::BadRequest;
    return;
  }
  std::uint32_t written = 0;
  const FtStatus status = Ftdi().Write(
      LinkHandle, std::span<const std::uint8_t>(TxBuffer.data(), static_cast<std::size_t>(TxCount)),
      written);
  TxWritten = ToCount(written);
  LinkStatus = static_cast<std::int32_t>(status);
  FailureCause = CauseOfStatus(status);
}

void NIMBOmodule::ReadReply() {
  StartRead(*this);
  if (RxCount < 0 || RxCount > static_cast<std::int32_t>(RxBuffer.size())) {
    RefuseRead(*this);
    return;
  }
  GatherInto(*this, std::span(RxBuffer).first(static_cast<std::size_t>(RxCount)), true);
}

void NIMBOmodule::ReadBlockData() {
  StartRead(*this);
  const std::int64_t end = static_cast<std::int64_t>(BlockOffset) + RxCount;
  if (RxCount < 0 || BlockOffset < 0 || end > static_cast<std::int64_t>(MemoryImage.size())) {
    RefuseRead(*this);
    return;
  }
  GatherInto(*this,
             std::span(MemoryImage)
                 .subspan(static_cast<std::size_t>(BlockOffset), static_cast<std::size_t>(RxCount)),
             false);
}

void NIMBOmodule::ReadVerifyData() {
  StartRead(*this);
  if (RxCount < 0 || RxCount > static_cast<std::int32_t>(BlockIn.size())) {
    RefuseRead(*this);
    return;
  }
  const auto count = static_cast<std::size_t>(RxCount);
  GatherInto(*this, std::span(BlockIn).first(count), false);
  if (LinkStatus != 0) {
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (BlockIn[i] != BlockOut[i]) {
      LinkStatus = kLinkReadFailure;
      FailureCause = LinkCause::DataMismatch;
      break;
    }
  }
}

}  // namespace nimbo
