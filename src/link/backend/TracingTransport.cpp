#include "link/backend/TracingTransport.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace nimbo::backend {

TracingTransport::TracingTransport(D2xx& inner, std::ostream& trace)
    : inner_(inner), trace_(trace) {}

TracingTransport::~TracingTransport() {
  Flush();
}

void TracingTransport::Flush() {
  if (direction_ != Direction::None && !line_.empty()) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text = direction_ == Direction::ToDevice ? ">" : "<";
    text.reserve(1 + line_.size() * 3 + 1);
    for (const std::uint8_t byte : line_) {
      text += ' ';
      text += kHex[byte >> 4];
      text += kHex[byte & 0x0F];
    }
    text += '\n';
    trace_ << text << std::flush;
  }
  direction_ = Direction::None;
  line_.clear();
}

void TracingTransport::Gather(Direction direction, std::span<const std::uint8_t> bytes) {
  if (direction_ != direction) {
    Flush();
    direction_ = direction;
  }
  line_.insert(line_.end(), bytes.begin(), bytes.end());
}

FtStatus TracingTransport::OpenEx(const char* description, std::uint32_t flags, FtHandle& handle) {
  return inner_.OpenEx(description, flags, handle);
}

FtStatus TracingTransport::SetBaudRate(FtHandle handle, std::uint32_t baud) {
  return inner_.SetBaudRate(handle, baud);
}

FtStatus TracingTransport::SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                          std::uint8_t xoff) {
  return inner_.SetFlowControl(handle, flow, xon, xoff);
}

FtStatus TracingTransport::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
  return inner_.SetLatencyTimer(handle, milliseconds);
}

FtStatus TracingTransport::SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                            std::uint32_t outTransferSize) {
  return inner_.SetUSBParameters(handle, inTransferSize, outTransferSize);
}

FtStatus TracingTransport::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity) {
  return inner_.SetDataCharacteristics(handle, wordLength, stopBits, parity);
}

FtStatus TracingTransport::SetChars(FtHandle handle, std::uint8_t eventChar,
                                    std::uint8_t eventEnable, std::uint8_t errorChar,
                                    std::uint8_t errorEnable) {
  return inner_.SetChars(handle, eventChar, eventEnable, errorChar, errorEnable);
}

FtStatus TracingTransport::SetTimeouts(FtHandle handle, std::uint32_t readTimeout,
                                       std::uint32_t writeTimeout) {
  return inner_.SetTimeouts(handle, readTimeout, writeTimeout);
}

FtStatus TracingTransport::Write(FtHandle handle, std::span<const std::uint8_t> data,
                                 std::uint32_t& written) {
  const FtStatus status = inner_.Write(handle, data, written);
  // Only what the interface took went out; a refused write sent nothing.
  if (status == ft::kOk) {
    Gather(Direction::ToDevice, data.first(std::min<std::size_t>(written, data.size())));
  }
  return status;
}

FtStatus TracingTransport::Read(FtHandle handle, std::span<std::uint8_t> destination,
                                std::uint32_t& returned) {
  const FtStatus status = inner_.Read(handle, destination, returned);
  // Any read ends the frame line, even one that brought nothing back.
  if (direction_ == Direction::ToDevice) {
    Flush();
  }
  const std::size_t count = std::min<std::size_t>(returned, destination.size());
  if (count > 0) {
    Gather(Direction::FromDevice, destination.first(count));
  }
  return status;
}

FtStatus TracingTransport::Purge(FtHandle handle, std::uint32_t mask) {
  Flush();
  return inner_.Purge(handle, mask);
}

FtStatus TracingTransport::Close(FtHandle handle) {
  Flush();
  return inner_.Close(handle);
}

}  // namespace nimbo::backend
