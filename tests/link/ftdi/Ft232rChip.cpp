#include "link/ftdi/Ft232rChip.h"

#include <algorithm>

namespace nimbo::ftdi::test {
namespace {

// The baud generator divides 3 MHz by a divisor counted in eighths.
constexpr std::uint32_t kEighthsClock = 3'000'000 * 8;
// Sub-integer divisor codes of the FT232R, in eighths.
constexpr int kEighths[8] = {0, 4, 2, 1, 3, 5, 6, 7};
constexpr std::size_t kPacketPayload = kPacketSize - 2;

// Vendor requests.
enum : std::uint8_t {
  kReset = 0x00,
  kModemCtrl = 0x01,
  kSetFlowCtrl = 0x02,
  kSetBaudRate = 0x03,
  kSetData = 0x04,
  kPollModemStatus = 0x05,
  kSetEventChar = 0x06,
  kSetErrorChar = 0x07,
  kSetLatencyTimer = 0x09,
  kGetLatencyTimer = 0x0A,
  kSetBitMode = 0x0B,
};
constexpr std::uint8_t kVendorOut = 0x40;
constexpr std::uint8_t kVendorIn = 0xC0;
constexpr std::uint8_t kStandardIn = 0x80;
constexpr std::uint8_t kGetDescriptor = 0x06;
constexpr int kStringDescriptor = 3;

}  // namespace

Ft232rChip::Ft232rChip(std::string description, sim::SimulatedDevice* device, Clock& clock)
    : description_(std::move(description)), device_(device), clock_(clock) {
  HandLineToDevice();
}

void Ft232rChip::HandLineToDevice() {
  if (device_ == nullptr) {
    return;
  }
  sim::Timing& timing = device_->TimingModel();
  timing.baud = line_.baud;
  timing.wordLength = static_cast<std::uint8_t>(line_.wordLength);
  timing.stopBits = static_cast<std::uint8_t>(line_.stopBits);
  timing.parity = static_cast<std::uint8_t>(line_.parity);
  timing.flowControl = static_cast<std::uint16_t>(line_.flow << 8);
  timing.eventChar = line_.eventChar >> 8 != 0 ? std::optional<std::uint8_t>(line_.eventChar & 0xFF)
                                               : std::nullopt;
  timing.latencyTimer = static_cast<Micros>(std::max(line_.latencyMs, 1)) * 1000;
}

std::vector<std::uint8_t> Ft232rChip::Descriptors() {
  return {// Device: USB 2.0, 8-byte control packets, 0403:6001, bcdDevice 6.00
          // (what tells an FT232R), strings 1..3, one configuration.
          0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x08, 0x03, 0x04, 0x01, 0x60, 0x00, 0x06, 0x01,
          0x02, 0x03, 0x01,
          // Configuration 1: one interface, bus powered, 90 mA.
          0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xA0, 0x2D,
          // Interface 0: vendor specific, two endpoints.
          0x09, 0x04, 0x00, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0x02,
          // Bulk in 0x81 and bulk out 0x02, 64-byte packets.
          0x07, 0x05, 0x81, 0x02, 0x40, 0x00, 0x00, 0x07, 0x05, 0x02, 0x02, 0x40, 0x00, 0x00};
}

std::vector<std::uint8_t> Ft232rChip::StringDescriptor(int index) const {
  std::string text;
  switch (index) {
    case 0:
      return {0x04, 0x03, 0x09, 0x04};  // US English only
    case 1:
      text = "FTDI";
      break;
    case 2:
      text = description_;
      break;
    case 3:
      text = "NB000001";
      break;
    default:
      return {};
  }
  text.resize(std::min<std::size_t>(text.size(), 126));
  std::vector<std::uint8_t> out{static_cast<std::uint8_t>(2 + 2 * text.size()), 0x03};
  for (char c : text) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0);
  }
  return out;
}

void Ft232rChip::SetBaudDivisor(std::uint16_t value, std::uint16_t index) {
  const std::uint32_t integer = value & 0x3FFFu;
  const int code = ((index & 1) << 2) | (value >> 14);
  std::uint32_t eighths = integer * 8 + static_cast<std::uint32_t>(kEighths[code]);
  if (integer == 0 && code == 0) {
    eighths = 8;  // divisor 0 means 3 MHz
  } else if (integer == 1 && code == 0) {
    eighths = 12;  // divisor 1 means 2 MHz
  }
  if (eighths == 0) {
    eighths = 1;
  }
  line_.baud = kEighthsClock / eighths;
  line_.baudExact = kEighthsClock % eighths == 0;
}

std::optional<std::vector<std::uint8_t>> Ft232rChip::Control(const Setup& setup) {
  // libusb reads the device and configuration descriptors from sysfs; only
  // the strings are asked of the chip.
  if (setup.requestType == kStandardIn && setup.request == kGetDescriptor &&
      setup.value >> 8 == kStringDescriptor) {
    std::vector<std::uint8_t> answer = StringDescriptor(setup.value & 0xFF);
    if (answer.empty()) {
      return std::nullopt;
    }
    answer.resize(std::min<std::size_t>(answer.size(), setup.length));
    return answer;
  }
  if (setup.requestType == kVendorIn) {
    switch (setup.request) {
      case kPollModemStatus:
        return std::vector<std::uint8_t>{kModemStatus, kLineStatus};
      case kGetLatencyTimer:
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(line_.latencyMs)};
      default:
        return std::nullopt;
    }
  }
  if (setup.requestType != kVendorOut) {
    return std::nullopt;
  }
  switch (setup.request) {
    case kReset:
      // 0 resets; as libftdi sends them, 1 flushes the queue towards the
      // device and 2 the one towards the host.
      if (setup.value > 2) {
        return std::nullopt;
      }
      if (device_ != nullptr && setup.value != 0) {
        device_->Purge(setup.value == 2, setup.value == 1);
      }
      break;
    case kModemCtrl:
      break;
    case kSetFlowCtrl:
      line_.flow = setup.index >> 8;
      break;
    case kSetBaudRate:
      SetBaudDivisor(setup.value, setup.index);
      break;
    case kSetData:
      line_.wordLength = setup.value & 0xFF;
      line_.parity = (setup.value >> 8) & 0x7;
      line_.stopBits = (setup.value >> 11) & 0x3;
      break;
    case kSetEventChar:
      line_.eventChar = setup.value;
      break;
    case kSetErrorChar:
      line_.errorChar = setup.value;
      break;
    case kSetLatencyTimer:
      line_.latencyMs = setup.value & 0xFF;
      break;
    case kSetBitMode:
      line_.bitMode = setup.value >> 8;
      break;
    default:
      return std::nullopt;
  }
  HandLineToDevice();
  return std::vector<std::uint8_t>{};
}

void Ft232rChip::BulkOut(std::span<const std::uint8_t> bytes) {
  if (device_ != nullptr && line_.bitMode == 0) {
    device_->Receive(bytes);
  }
}

std::optional<std::vector<std::uint8_t>> Ft232rChip::BulkIn(std::size_t capacity,
                                                            Micros submittedAt) {
  const Micros now = clock_.Now();
  const std::size_t packets = capacity / kPacketSize;
  std::vector<std::uint8_t> data(packets * kPacketPayload);
  const std::size_t count = device_ != nullptr ? device_->Deliver(data, now) : 0;
  const Micros latency = static_cast<Micros>(std::max(line_.latencyMs, 1)) * 1000;
  if (count == 0 && now < std::max(submittedAt, lastInPacketAt_) + latency) {
    return std::nullopt;
  }
  lastInPacketAt_ = now;
  std::vector<std::uint8_t> out;
  std::size_t at = 0;
  do {
    const std::size_t chunk = std::min(kPacketPayload, count - at);
    out.push_back(kModemStatus);
    out.push_back(kLineStatus);
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + chunk));
    at += chunk;
  } while (at < count);
  return out;
}

}  // namespace nimbo::ftdi::test
