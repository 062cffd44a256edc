// When bytes travel: the host's bytes to the device, the device's replies back
// over the wire, and the interface's USB packets to the host.
//
// The device's port sends 10 bits per byte at 125000 baud; the interface sends
// the host's bytes in the frame format and at the rate the host set. Reply
// bytes collect in the interface and leave as one USB packet when the latency
// timer expires (counted from the first byte waiting), when a full packet's
// payload has collected, or at once when the event character arrives. A USB
// read hands its packets to the host when a short packet ends it or when it
// has filled the in-transfer size.
//
// A line set up unlike the device's port behaves as a real one does:
// - a rate more than 3 % off, another word length, or a parity bit of 0 where
//   the device expects its stop bit: the device cannot read the host's bytes
//   and receives garbage;
// - a rate more than 3 % off, another word length, a parity bit or two stop
//   bits expected: the interface cannot frame the device's replies, which it
//   sends back to back with one stop bit, and hands the host garbage;
// - RTS/CTS or DTR/DSR handshake: the device drives neither line, so the
//   interface holds every byte back;
// - XON/XOFF: reply bytes equal to the XON or XOFF character are taken as flow
//   control and never reach the host; after XOFF the interface holds the
//   host's bytes until an XON arrives.
// Garbage is deterministic: a byte with its top bit set, never a command
// letter.
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

  // One reply byte on the device's wire.
  Micros ByteTime() const;

  struct Arrival {
    std::uint8_t value;  // as the device reads it
    Micros at;           // when it has fully reached the device
  };
  // Host to device: a byte the host wrote at `now`; empty when the interface
  // holds it back for good.
  std::optional<Arrival> FromHost(std::uint8_t byte, Micros now);

  // Device to host: puts `bytes` on the wire, the first starting no earlier
  // than `startAt`. Returns when the last of them has reached the interface.
  Micros Transmit(std::span<const std::uint8_t> bytes, Micros startAt);

  // Moves bytes that reached the host by `now` into `destination`.
  std::size_t Take(std::span<std::uint8_t> destination, Micros now);
  // When the interface next sends a packet towards the host (in the past if
  // bytes are waiting for the host).
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
  struct FlowEvent {
    Micros at;
    bool stops;  // XOFF; else XON
  };

  Micros HostByteTime() const;
  bool HostReadsDevice() const;
  bool DeviceReadsHost(std::uint8_t byte) const;
  // The first moment from `t` on at which the interface may send; empty when
  // an XOFF holds it for good.
  std::optional<Micros> TransmitterFree(Micros t) const;
  // Sends every USB packet due by `now` towards the host.
  void Advance(Micros now);
  std::optional<Micros> NextPacket() const;

  const Timing& timing_;
  Micros hostLineFreeAt_ = 0;
  Micros deviceLineFreeAt_ = 0;
  std::deque<WireByte> pending_;       // on the wire or in the interface
  std::deque<std::uint8_t> transfer_;  // in the USB read under way
  std::size_t transferPackets_ = 0;
  std::deque<std::uint8_t> host_;  // delivered, not yet read
  std::deque<FlowEvent> flow_;
  Micros lastPacketAt_ = 0;
};

}  // namespace nimbo::sim
