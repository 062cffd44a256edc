#include "link/sim/DeviceFrames.h"

#include <array>

namespace nimbo::sim {
namespace {

constexpr std::array<CommandShape, 5> kCommands = {{
    {Command::Info, 'I', 'F', 2, 6, false},
    {Command::ReadMemory, 'R', 'M', 4, 4 + kBlockBytes, true},
    {Command::WriteMemory, 'W', 'M', kLongestFrame, 3, true},
    {Command::ReadEeprom, 'R', 'E', 4, 5, true},
    {Command::WriteEeprom, 'W', 'E', 6, 3, true},
}};

}  // namespace

std::optional<CommandShape> FindCommand(std::uint8_t first, std::uint8_t second) {
  for (const CommandShape& shape : kCommands) {
    if (static_cast<std::uint8_t>(shape.first) == first &&
        static_cast<std::uint8_t>(shape.second) == second) {
      return shape;
    }
  }
  return std::nullopt;
}

const CommandShape& ShapeOf(Command command) {
  for (const CommandShape& shape : kCommands) {
    if (shape.command == command) {
      return shape;
    }
  }
  return kCommands[0];
}

std::string_view NameOf(Command command) {
  switch (command) {
    case Command::Info:
      return "IF";
    case Command::ReadMemory:
      return "RM";
    case Command::WriteMemory:
      return "WM";
    case Command::ReadEeprom:
      return "RE";
    case Command::WriteEeprom:
      return "WE";
  }
  return "";
}

std::uint8_t FrameChecksum(std::uint8_t addressLo, std::uint8_t addressHi,
                           std::span<const std::uint8_t> data) {
  std::uint8_t sum = addressLo ^ addressHi ^ 0x08;
  for (std::uint8_t byte : data) {
    sum ^= byte;
  }
  return sum;
}

void FrameParser::Feed(std::uint8_t byte, Micros arrival, Output& out) {
  if (confused_) {
    out.discarded.push_back(byte);
    return;
  }
  partial_.push_back(byte);
  if (partial_.size() == 2) {
    shape_ = FindCommand(partial_[0], partial_[1]);
    if (!shape_) {
      // The device cannot resynchronise by itself; only a purge of the line
      // brings it back.
      confused_ = true;
      out.discarded.insert(out.discarded.end(), partial_.begin(), partial_.end());
      partial_.clear();
      return;
    }
  }
  if (shape_ && partial_.size() == shape_->frameLength) {
    out.frames.push_back(Frame{shape_->command, std::move(partial_), arrival});
    partial_.clear();
    shape_.reset();
  }
}

void FrameParser::Reset() {
  partial_.clear();
  shape_.reset();
  confused_ = false;
}

}  // namespace nimbo::sim
