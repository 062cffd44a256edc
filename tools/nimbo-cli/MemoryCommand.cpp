// "memory read ADDRESS COUNT [--output FILE]": device memory as the device
// holds it, read in "RM" blocks; to see what a flash left behind.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iomanip>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "Commands.h"
#include "UserFiles.h"
#include "link/CheckedRead.h"

namespace nimbo::cli {
namespace {

constexpr std::int32_t kUnitsPerBlock = 32;  // a 64-byte block spans 32 addresses
constexpr std::int32_t kLastAddress = 0xFFFF;
constexpr int kAttemptsPerBlock = 10;
constexpr std::size_t kBytesPerLine = 16;  // 8 device addresses a line

// Reads the block at BlockAddress into MemoryImage at BlockOffset, retrying;
// a block whose checksum does not match its bytes was damaged on the way
// and is read again.
bool ReadBlock(NIMBOmodule& module) {
  for (int attempt = 0; attempt < kAttemptsPerBlock; ++attempt) {
    ReadCheckedMemoryBlock(module);
    if (module.LinkStatus == 0) {
      return true;
    }
  }
  return false;
}

void HexDump(std::ostream& out, std::int32_t firstAddress, std::span<const std::uint8_t> bytes) {
  const auto flags = out.flags();
  out << std::uppercase << std::hex << std::setfill('0');
  for (std::size_t line = 0; line < bytes.size(); line += kBytesPerLine) {
    out << std::setw(4) << firstAddress + static_cast<std::int32_t>(line / 2) << ':';
    for (std::size_t i = line; i < std::min(bytes.size(), line + kBytesPerLine); ++i) {
      out << ' ' << std::setw(2) << static_cast<int>(bytes[i]);
    }
    out << '\n';
  }
  out.flags(flags);
}

// A device address in hexadecimal, with or without "0x": "0020", "0x2000".
std::optional<std::int32_t> ParseAddress(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 ||
      value > kLastAddress) {
    return std::nullopt;
  }
  return value;
}

int ReadMemory(Context& context, const std::string& addressText, std::int32_t count,
               const std::string& output, bool force) {
  const std::optional<std::int32_t> parsed = ParseAddress(addressText);
  if (!parsed) {
    return context.Fail("ADDRESS: \"" + addressText + "\" is no device address 0000..FFFF",
                        kUsageError);
  }
  const std::int32_t address = *parsed;
  const std::int32_t blocks =
      (count + static_cast<std::int32_t>(kBlockSize) - 1) / static_cast<std::int32_t>(kBlockSize);
  // Two bytes an address: the bytes asked for must all lie at 0xFFFF or
  // below, or the dump would show addresses the device does not have.
  if (address + (count - 1) / 2 > kLastAddress) {
    return context.Fail("the bytes asked for would lie beyond device address 0xFFFF", kUsageError);
  }
  // An output that cannot be written is refused before the device is read.
  if (!output.empty()) {
    if (const FileOutcome check = CheckOutputFile(output, force); !check.Ok()) {
      return context.Fail(check.message);
    }
  }
  NIMBOmodule* module = context.OpenModule();
  if (module == nullptr) {
    return kFailure;
  }
  module->MemoryImage.assign(static_cast<std::size_t>(blocks) * kBlockSize, 0);
  for (std::int32_t block = 0; block < blocks; ++block) {
    module->BlockAddress = address + block * kUnitsPerBlock;
    module->BlockOffset = block * static_cast<std::int32_t>(kBlockSize);
    if (!ReadBlock(*module)) {
      std::ostringstream step;
      step << "ReadMemoryBlock at 0x" << std::uppercase << std::hex << std::setw(4)
           << std::setfill('0') << module->BlockAddress;
      return context.LinkFailure(step.str());
    }
  }
  const std::span<const std::uint8_t> bytes(module->MemoryImage.data(),
                                            static_cast<std::size_t>(count));
  if (output.empty()) {
    HexDump(context.Out(), address, bytes);
  } else if (const FileOutcome written = WriteUserFile(
                 output,
                 std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), force,
                 context.Out());
             !written.Ok()) {
    return context.Fail(written.message);
  }
  return kSuccess;
}

}  // namespace

void AddMemoryCommands(CLI::App& app, Context& context) {
  CLI::App* group = app.add_subcommand("memory", "The device's memory");
  group->require_subcommand(1);
  CLI::App* read = group->add_subcommand(
      "read", "Read COUNT bytes from device ADDRESS on (two bytes an address), in 64-byte blocks");
  auto address = std::make_shared<std::string>();
  auto count = std::make_shared<std::int32_t>(0);
  auto output = std::make_shared<std::string>();
  read->add_option("ADDRESS", *address, "First device address, hexadecimal (0020, 0x2000)")
      ->required();
  read->add_option("COUNT", *count, "Number of bytes")
      ->required()
      ->check(CLI::Range(1, (kLastAddress + 1) * 2));
  auto force = std::make_shared<bool>(false);
  read->add_option("--output", *output,
                   "Write the raw bytes to FILE (- for standard output) instead of a hex dump")
      ->type_name("FILE");
  read->add_flag("--force", *force, "Replace FILE if it is an existing file");
  SetAction(*read, context, "memory read", [&context, address, count, output, force] {
    return ReadMemory(context, *address, *count, *output, *force);
  });
}

}  // namespace nimbo::cli
