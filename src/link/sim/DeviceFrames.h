// The device's view of the wire: which commands it knows, how long their
// frames and replies are, and how it cuts the incoming byte stream into frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "link/Clock.h"

namespace nimbo::sim {

enum class Command { Info, ReadMemory, WriteMemory, ReadEeprom, WriteEeprom };

inline constexpr std::uint8_t kAcknowledge = 0x01;
inline constexpr std::uint8_t kRefusal = 0x00;
inline constexpr std::size_t kBlockBytes = 64;
inline constexpr std::size_t kLongestFrame = 4 + kBlockBytes + 1;  // "WM"

struct CommandShape {
  Command command;
  char first;
  char second;
  std::size_t frameLength;  // bytes the host sends, letters included
  std::size_t replyLength;  // bytes the device answers with
  bool hasAddress;
};

// Looks a command up by its two letters (case-sensitive, as the device is).
std::optional<CommandShape> FindCommand(std::uint8_t first, std::uint8_t second);
const CommandShape& ShapeOf(Command command);
std::string_view NameOf(Command command);

// Exclusive-or of the address bytes, 0x08 and every data byte; the same rule
// in both directions.
std::uint8_t FrameChecksum(std::uint8_t addressLo, std::uint8_t addressHi,
                           std::span<const std::uint8_t> data);

struct Frame {
  Command command = Command::Info;
  std::vector<std::uint8_t> bytes;  // the complete frame as received
  Micros completedAt = 0;           // when its last byte reached the device

  int Address() const { return bytes[2] | (bytes[3] << 8); }
};

// Assembles frames from bytes that arrive in any pieces. A byte pair that is
// no command leaves the parser confused: it discards everything until Reset.
class FrameParser {
 public:
  struct Output {
    std::vector<Frame> frames;
    std::vector<std::uint8_t> discarded;  // bytes it could not parse
  };

  void Feed(std::uint8_t byte, Micros arrival, Output& out);
  void Reset();
  bool Confused() const { return confused_; }

 private:
  std::vector<std::uint8_t> partial_;
  std::optional<CommandShape> shape_;
  bool confused_ = false;
};

}  // namespace nimbo::sim
