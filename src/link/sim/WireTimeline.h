// When bytes travel: the host's bytes to the device, the device's replies back
// over the wire, and the interface's USB packets to the host.
//
// Both directions carry 10 bits per byte at the line's baud rate. Reply bytes
// collect in the interface and reach the host as one packet when the latency
// timer expires (counted from the first byte waiting) or at once when a full
// packet's payload has collected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>

#include "link/Clock.h"

namespace nimbo::sim {

struct Timing;

class WireTimeline {
 public:
  explicit WireTimeline(const Timing& timing) : timing_(timing) {}

  Micros ByteTime() const;

  // Host to device: the moment the next host byte, written at `now`, has
  // fully reached the device.
  Micros NextHostByte(Micros now);

  // Device to host: puts `bytes` on the wire, the first starting no earlier
  // than `startAt`. Returns when the last of them has reached the interface.
  Micros Transmit(std::span<const std::uint8_t> bytes, Micros startAt);

  // Moves bytes that reached the host by `now` into `destination`.
  std::size_t Take(std::span<std::uint8_t> destination, Micros now);
  // When the host next has bytes to take (in the past if some are waiting).
  std::optional<Micros> NextDelivery() const;

  // Drops what has reached the interface or the host by `now`; bytes still
  // on the wire keep coming, as they do from a real device.
  void PurgeReceived(Micros now);
  // Forgets everything, including bytes on their way (the cable is gone).
  void Clear();

 private:
  struct WireByte {
    std::uint8_t value;
    Micros arrival;  // at the interface
  };

  // Sends every USB packet due by `now` to the host.
  void Advance(Micros now);
  std::optional<Micros> NextPacket() const;

  const Timing& timing_;
  Micros hostLineFreeAt_ = 0;
  Micros deviceLineFreeAt_ = 0;
  std::deque<WireByte> pending_;   // on the wire or in the interface
  std::deque<std::uint8_t> host_;  // delivered, not yet read
  Micros lastPacketAt_ = 0;
};

}  // namespace nimbo::sim
