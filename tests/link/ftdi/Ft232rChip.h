// An FT232R-family USB serial chip as its USB side sees it: the vendor
// control requests it decodes, the bytes it passes to the serial line, and the
// 64-byte bulk packets, each led by two modem-status bytes, in which it hands
// replies to the host. A simulated NIMBO device sits on its serial side.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/sim/SimulatedDevice.h"

namespace nimbo::ftdi::test {

// The chip's two leading bytes of every bulk-in packet: modem status (low
// nibble always 1) and line status (transmitter empty).
inline constexpr std::uint8_t kModemStatus = 0x01;
inline constexpr std::uint8_t kLineStatus = 0x60;
inline constexpr std::size_t kPacketSize = 64;

// What the host has set up, as decoded from its control requests. The chip
// hands it to the simulated device's timing model, which decides, as for the
// simulated transport, what a line set up unlike the device's does to bytes.
struct LineState {
  std::uint32_t baud = 9600;  // rounded down when the divisor is not exact
  bool baudExact = true;      // the divisor gives `baud` without a remainder
  int wordLength = 8;
  int stopBits = 0;  // 0 one, 1 one and a half, 2 two
  int parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int flow = 0;      // 0 none; otherwise the flow request's high byte
  int latencyMs = 16;
  std::uint16_t eventChar = 0;  // character | enabled << 8
  std::uint16_t errorChar = 0;
  int bitMode = 0;  // 0: plain serial
  bool operator==(const LineState&) const = default;
};

// A USB setup packet.
struct Setup {
  std::uint8_t requestType = 0;
  std::uint8_t request = 0;
  std::uint16_t value = 0;
  std::uint16_t index = 0;
  std::uint16_t length = 0;
};

class Ft232rChip {
 public:
  // `device` may be null: a chip with nothing on its serial side.
  Ft232rChip(std::string description, sim::SimulatedDevice* device, Clock& clock);

  const std::string& Description() const { return description_; }
  const LineState& Line() const { return line_; }

  // The bytes of the device and configuration descriptors, as sysfs shows them.
  static std::vector<std::uint8_t> Descriptors();

  // Answers a control request: the data stage for an IN request (empty for
  // OUT), or nothing when the chip stalls the request.
  std::optional<std::vector<std::uint8_t>> Control(const Setup& setup);
  // Bytes the host sent, onto the line as set up (none in a bit mode).
  void BulkOut(std::span<const std::uint8_t> bytes);
  // The packets for an IN transfer of `capacity` bytes submitted at
  // `submittedAt`, or nothing while the chip has nothing to hand over: data is
  // handed over when the device's packets arrive, a status-only packet when
  // the latency timer expires without data.
  std::optional<std::vector<std::uint8_t>> BulkIn(std::size_t capacity, Micros submittedAt);

 private:
  std::vector<std::uint8_t> StringDescriptor(int index) const;
  void SetBaudDivisor(std::uint16_t value, std::uint16_t index);
  void HandLineToDevice();

  std::string description_;
  sim::SimulatedDevice* device_;
  Clock& clock_;
  LineState line_;
  Micros lastInPacketAt_ = 0;
};

}  // namespace nimbo::ftdi::test
