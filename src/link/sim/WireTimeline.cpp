#include "link/sim/WireTimeline.h"

#include <algorithm>

#include "link/sim/SimulatedDevice.h"

namespace nimbo::sim {

namespace {
constexpr Micros kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
}

Micros WireTimeline::ByteTime() const {
  const std::uint32_t baud = std::max<std::uint32_t>(timing_.baud, 1);
  return kBitsPerByte * 1'000'000 / static_cast<Micros>(baud);
}

Micros WireTimeline::NextHostByte(Micros now) {
  hostLineFreeAt_ = std::max(now, hostLineFreeAt_) + ByteTime();
  return hostLineFreeAt_;
}

Micros WireTimeline::Transmit(std::span<const std::uint8_t> bytes, Micros startAt) {
  Micros at = std::max(startAt, deviceLineFreeAt_);
  for (std::uint8_t byte : bytes) {
    at += ByteTime();
    pending_.push_back({byte, at});
  }
  deviceLineFreeAt_ = at;
  return at;
}

std::optional<Micros> WireTimeline::NextPacket() const {
  if (pending_.empty()) {
    return std::nullopt;
  }
  const Micros timerStart = std::max(pending_.front().arrival, lastPacketAt_);
  Micros due = timerStart + timing_.latencyTimer;
  const std::size_t payload = std::max<std::size_t>(timing_.usbPacketPayload, 1);
  if (pending_.size() >= payload) {
    due = std::min(due, std::max(pending_[payload - 1].arrival, lastPacketAt_));
  }
  return due;
}

void WireTimeline::Advance(Micros now) {
  const std::size_t payload = std::max<std::size_t>(timing_.usbPacketPayload, 1);
  for (std::optional<Micros> due = NextPacket(); due && *due <= now; due = NextPacket()) {
    std::size_t moved = 0;
    while (!pending_.empty() && moved < payload && pending_.front().arrival <= *due) {
      host_.push_back(pending_.front().value);
      pending_.pop_front();
      ++moved;
    }
    lastPacketAt_ = *due;
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
  while (!pending_.empty() && pending_.front().arrival <= now) {
    pending_.pop_front();
  }
  lastPacketAt_ = std::max(lastPacketAt_, now);
}

void WireTimeline::Clear() {
  pending_.clear();
  host_.clear();
}

}  // namespace nimbo::sim
