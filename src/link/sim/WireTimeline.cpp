#include "link/sim/WireTimeline.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "link/sim/SimulatedDevice.h"

namespace nimbo::sim {

namespace {

constexpr Micros kDeviceBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr std::uint8_t kTwoStopBits = 2;
constexpr std::uint8_t kOddParity = 1;
constexpr std::uint8_t kEvenParity = 2;
constexpr std::uint8_t kMarkParity = 3;
// Two UARTs whose rates differ by more than this sample the wrong bits.
constexpr std::uint32_t kBaudTolerancePercent = 3;
// Each USB packet carries two modem status bytes before its payload.
constexpr std::size_t kStatusBytesPerPacket = 2;

Micros Time(Micros bits, std::uint32_t baud) {
  return bits * 1'000'000 / static_cast<Micros>(std::max<std::uint32_t>(baud, 1));
}

bool RateMatches(std::uint32_t baud) {
  const auto difference = static_cast<std::uint64_t>(
      std::llabs(static_cast<long long>(baud) - static_cast<long long>(kDeviceBaud)));
  return difference * 100 <= static_cast<std::uint64_t>(kDeviceBaud) * kBaudTolerancePercent;
}

bool ParityBit(std::uint8_t byte, std::uint8_t parity) {
  const bool odd = std::popcount(byte) % 2 == 1;
  switch (parity) {
    case kOddParity:
      return !odd;
    case kEvenParity:
      return odd;
    case kMarkParity:
      return true;
    default:  // space
      return false;
  }
}

std::uint8_t Garbled(std::uint8_t byte) {
  return static_cast<std::uint8_t>(0x80 | (byte >> 1));
}

}  // namespace

Micros WireTimeline::ByteTime() const {
  return Time(kDeviceBitsPerByte, kDeviceBaud);
}

Micros WireTimeline::HostByteTime() const {
  const Micros bits = 1 + timing_.wordLength + (timing_.parity != 0 ? 1 : 0) +
                      (timing_.stopBits == kTwoStopBits ? 2 : 1);
  return Time(bits, timing_.baud);
}

bool WireTimeline::HostReadsDevice() const {
  return RateMatches(timing_.baud) && timing_.wordLength == 8 && timing_.parity == 0 &&
         timing_.stopBits != kTwoStopBits;
}

bool WireTimeline::DeviceReadsHost(std::uint8_t byte) const {
  // The device takes the bit after the 8 data bits for its stop bit: a parity
  // bit of 1 passes for one; extra stop bits are idle line to it.
  return RateMatches(timing_.baud) && timing_.wordLength == 8 &&
         (timing_.parity == 0 || ParityBit(byte, timing_.parity));
}

std::optional<Micros> WireTimeline::TransmitterFree(Micros t) const {
  if (timing_.flowControl == kFlowRtsCts || timing_.flowControl == kFlowDtrDsr) {
    return std::nullopt;
  }
  if (timing_.flowControl != kFlowXonXoff) {
    return t;
  }
  bool stopped = false;
  for (const FlowEvent& event : flow_) {
    if (event.at <= t) {
      stopped = event.stops;
    } else if (stopped && !event.stops) {
      return event.at;
    }
  }
  return stopped ? std::nullopt : std::optional<Micros>(t);
}

std::optional<WireTimeline::Arrival> WireTimeline::FromHost(std::uint8_t byte, Micros now) {
  while (flow_.size() > 1 && flow_[1].at <= now) {
    flow_.pop_front();  // only the latest past event still counts
  }
  const std::optional<Micros> start = TransmitterFree(std::max(now, hostLineFreeAt_));
  if (!start) {
    return std::nullopt;
  }
  hostLineFreeAt_ = *start + HostByteTime();
  return Arrival{DeviceReadsHost(byte) ? byte : Garbled(byte), hostLineFreeAt_};
}

Micros WireTimeline::Transmit(std::span<const std::uint8_t> bytes, Micros startAt) {
  const bool xonXoff = timing_.flowControl == kFlowXonXoff;
  const bool readable = HostReadsDevice();
  Micros at = std::max(startAt, deviceLineFreeAt_);
  for (std::uint8_t byte : bytes) {
    at += ByteTime();
    const std::uint8_t received = readable ? byte : Garbled(byte);
    if (xonXoff && (received == timing_.xoff || received == timing_.xon)) {
      flow_.push_back({at, received == timing_.xoff});
    } else {
      pending_.push_back({received, at});
    }
  }
  deviceLineFreeAt_ = at;
  return at;
}

std::optional<Micros> WireTimeline::NextPacket() const {
  if (pending_.empty()) {
    // After a full packet the interface ends the USB read with a packet of
    // status bytes only when the latency timer expires.
    return transfer_.empty() ? std::nullopt
                             : std::optional<Micros>(lastPacketAt_ + timing_.latencyTimer);
  }
  const Micros timerStart = std::max(pending_.front().arrival, lastPacketAt_);
  Micros due = timerStart + timing_.latencyTimer;
  const std::size_t payload = std::max<std::size_t>(timing_.usbPacketPayload, 1);
  if (pending_.size() >= payload) {
    due = std::min(due, std::max(pending_[payload - 1].arrival, lastPacketAt_));
  }
  if (timing_.eventChar) {
    const std::size_t look = std::min(payload, pending_.size());
    for (std::size_t i = 0; i < look; ++i) {
      if (pending_[i].value == *timing_.eventChar) {
        due = std::min(due, std::max(pending_[i].arrival, lastPacketAt_));
        break;
      }
    }
  }
  return due;
}

void WireTimeline::Advance(Micros now) {
  const std::size_t payload = std::max<std::size_t>(timing_.usbPacketPayload, 1);
  const std::size_t transferSize =
      std::max<std::size_t>(timing_.inTransferSize, payload + kStatusBytesPerPacket);
  for (std::optional<Micros> due = NextPacket(); due && *due <= now; due = NextPacket()) {
    std::size_t moved = 0;
    bool flushed = false;
    while (!pending_.empty() && moved < payload && pending_.front().arrival <= *due) {
      transfer_.push_back(pending_.front().value);
      flushed = timing_.eventChar && pending_.front().value == *timing_.eventChar;
      pending_.pop_front();
      ++moved;
      if (flushed) {
        break;
      }
    }
    lastPacketAt_ = *due;
    ++transferPackets_;
    const bool shortPacket = moved < payload;
    if (shortPacket || transferPackets_ * (payload + kStatusBytesPerPacket) >= transferSize) {
      host_.insert(host_.end(), transfer_.begin(), transfer_.end());
      transfer_.clear();
      transferPackets_ = 0;
    }
  }
}

std::size_t WireTimeline::Take(std::span<std::uint8_t> destination, Micros now) {
  Advance(now);
  const std::size_t count = std::min(destination.size(), host_.size());
  std::copy_n(host_.begin(), count, destination.begin());
  host_.erase(host_.begin(), host_.begin() + static_cast<std::ptrdiff_t>(count));
  return count;
}

std::optional<Micros> WireTimeline::NextDelivery() const {
  if (!host_.empty()) {
    return lastPacketAt_;
  }
  return NextPacket();
}

void WireTimeline::PurgeReceived(Micros now) {
  Advance(now);
  host_.clear();
  transfer_.clear();
  transferPackets_ = 0;
  while (!pending_.empty() && pending_.front().arrival <= now) {
    pending_.pop_front();
  }
  lastPacketAt_ = std::max(lastPacketAt_, now);
}

void WireTimeline::Clear() {
  pending_.clear();
  transfer_.clear();
  transferPackets_ = 0;
  host_.clear();
  flow_.clear();
}

}  // namespace nimbo::sim
