// A NIMBO device that lives in the program's own process.
//
// It answers the two-letter commands byte for byte as the hardware does, keeps
// a 64 Ki-word memory, a 256-byte settings EEPROM, a firmware version and a
// model character, and can be told to misbehave in every way a real link can.
// Bytes travel on a model of the serial line and the interface's USB packets
// (WireTimeline.h), the line as the host set it up, measured on a Clock that is either
// virtual (tests, benchmarks) or real (a person trying the program).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/Clock.h"

namespace nimbo::sim {

inline constexpr std::size_t kMemoryWords = 65536;
inline constexpr std::size_t kMemoryBytes = kMemoryWords * 2;  // address A holds bytes 2A, 2A+1
inline constexpr std::size_t kEepromBytes = 256;

// "IF" is answered only in update mode. One byte, as the state file keeps it.
enum class Mode : std::uint8_t { Normal, Update };

enum class Fault {
  NoReply,          // the command is swallowed; nothing comes back
  WrongEcho,        // the reply's two letters are wrong
  WrongChecksum,    // the reply carries a wrong checksum byte ("RM", "RE")
  Refuse,           // the acknowledge byte is not 0x01 (and a write stores nothing)
  CorruptReadBack,  // one data byte of an "RM"/"RE" reply is flipped
  DropWrite,        // a write is acknowledged but not stored
  SplitReply,       // the reply arrives in two pieces, `splitGap` apart
  SurplusBytes,     // `surplusCount` extra bytes follow the reply
  Late,             // the whole reply leaves `lateBy` after it was due, past the host's time-out
  Unplug,           // the cable is pulled as the frame arrives; never drawn at random
};

struct FaultRule {
  Fault fault = Fault::NoReply;
  std::string command;           // "IF", "RM", "WM", "RE", "WE"; empty = any command
  std::optional<int> address;    // memory or EEPROM address; empty = any address
  int times = 1;                 // matching exchanges to affect; -1 = every one
  std::size_t splitAt = 1;       // SplitReply: bytes in the first piece
  Micros splitGap = 0;           // SplitReply: delay of the second piece
  std::size_t surplusCount = 1;  // SurplusBytes: how many extra bytes
  std::size_t corruptAt = 0;     // CorruptReadBack: data byte flipped ("RM": 0..63)
  Micros lateBy = 300000;        // Late: delay of the whole reply
  int after = 0;                 // matching exchanges to let pass first

  bool operator==(const FaultRule&) const = default;
};

// Each exchange suffers each fault with the given probability, drawn from a
// generator seeded with `seed`, so a run can be reproduced.
struct RandomFaults {
  std::uint64_t seed = 1;
  double probability = 0.0;  // per fault kind and exchange
};

struct TraceEntry {
  bool fromHost = true;  // true: a frame the device received; false: its reply
  std::vector<std::uint8_t> bytes;
  bool operator==(const TraceEntry&) const = default;
};

// The device's own serial port: 125000 baud, 8 data bits, no parity, one
// stop bit, no handshake lines driven.
inline constexpr std::uint32_t kDeviceBaud = 125000;

// D2XX flow control modes.
inline constexpr std::uint16_t kFlowNone = 0x0000;
inline constexpr std::uint16_t kFlowRtsCts = 0x0100;
inline constexpr std::uint16_t kFlowDtrDsr = 0x0200;
inline constexpr std::uint16_t kFlowXonXoff = 0x0400;

// When and how bytes travel. The first group is the interface's side of the
// line as the host set it up (the interface in front of the device keeps it
// up to date); its defaults are the program's own set-up, which matches the
// device. A line set up otherwise garbles or holds bytes as a real interface
// would (see WireTimeline.h).
struct Timing {
  std::uint32_t baud = kDeviceBaud;
  std::uint8_t wordLength = 8;  // 7 or 8
  std::uint8_t stopBits = 0;    // 0 = one, 2 = two
  std::uint8_t parity = 0;      // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint16_t flowControl = kFlowNone;
  std::uint8_t xon = 0x11;
  std::uint8_t xoff = 0x13;
  std::optional<std::uint8_t> eventChar;  // flushes the interface's buffer on arrival
  Micros latencyTimer = 2000;             // a short USB packet leaves after this
  std::uint32_t inTransferSize = 4096;    // a USB read ends on a short packet or when full

  std::size_t usbPacketPayload = 62;  // a full packet leaves at once
  Micros readTimeout = 250000;        // used when the host sets none
};

class DeviceStore;

class SimulatedDevice {
 public:
  explicit SimulatedDevice(Clock& clock);  // contents kept in the process
  SimulatedDevice(Clock& clock, std::unique_ptr<DeviceStore> store);
  ~SimulatedDevice();
  SimulatedDevice(const SimulatedDevice&) = delete;
  SimulatedDevice& operator=(const SimulatedDevice&) = delete;

  // --- Contents ---
  std::span<std::uint8_t> Memory();  // kMemoryBytes
  std::span<std::uint8_t> Eeprom();  // kEepromBytes
  std::uint8_t& Version();           // major in the high nibble
  std::uint8_t& Model();
  Mode& CurrentMode();
  std::span<const std::uint8_t> Memory() const;
  std::span<const std::uint8_t> Eeprom() const;
  std::uint8_t Version() const;
  std::uint8_t Model() const;
  Mode CurrentMode() const;
  // A realistic device: settings record and LED matrix text as shipped.
  void LoadFactoryContents();

  // --- Behaviour ---
  Timing& TimingModel();
  // False when the state file has no room for another rule.
  bool AddFault(const FaultRule& rule);
  void ClearFaults();
  void SetRandomFaults(const RandomFaults& faults);
  // The rules not yet used up (also those another program armed).
  std::vector<FaultRule> FaultRules() const;
  // Pulls the plug: every later host call fails with an I/O status.
  void Unplug();
  bool Unplugged() const;

  // --- Observation ---
  const std::vector<TraceEntry>& Trace() const;
  void ClearTrace();
  // True after bytes that are no command, until the next purge.
  bool Confused() const;
  // How many exchanges `fault` has struck so far, by rule or at random.
  std::size_t StruckCount(Fault fault) const;

  // --- Host side (used by SimulatedTransport) ---
  void Receive(std::span<const std::uint8_t> bytes);  // bytes written by the host
  // Moves up to destination.size() bytes that have reached the host by `now`
  // into destination; returns the count.
  std::size_t Deliver(std::span<std::uint8_t> destination, Micros now);
  // When the next byte not yet delivered reaches the host, if any.
  std::optional<Micros> NextArrival() const;
  void Purge(bool receiveQueue, bool transmitQueue);
  // One host at a time (see DeviceStore::Claim).
  bool Claim();
  void Release();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace nimbo::sim
