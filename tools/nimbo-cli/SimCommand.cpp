#include "SimCommand.h"

#include <charconv>
#include <ostream>

namespace nimbo::cli {
namespace {

constexpr int kNibbleMax = 15;  // a version byte holds major and minor as nibbles

// Parses "MAJOR.MINOR" with both parts 0..15.
bool ParseVersion(const std::string& text, std::uint8_t& version) {
  const auto dot = text.find('.');
  if (dot == std::string::npos) {
    return false;
  }
  int major = -1;
  int minor = -1;
  const char* begin = text.data();
  const char* end = begin + text.size();
  const auto first = std::from_chars(begin, begin + dot, major);
  const auto second = std::from_chars(begin + dot + 1, end, minor);
  if (first.ec != std::errc{} || first.ptr != begin + dot || second.ec != std::errc{} ||
      second.ptr != end || major < 0 || major > kNibbleMax || minor < 0 || minor > kNibbleMax) {
    return false;
  }
  version = static_cast<std::uint8_t>(major * 16 + minor);
  return true;
}

int Mode(Context& context, sim::SimulatedDevice& device, std::span<const std::string> args) {
  if (args.empty()) {
    context.out << (device.CurrentMode() == sim::Mode::Update ? "update" : "normal") << '\n';
    return 0;
  }
  if (args.size() == 1 && args[0] == "normal") {
    device.CurrentMode() = sim::Mode::Normal;
    return 0;
  }
  if (args.size() == 1 && args[0] == "update") {
    device.CurrentMode() = sim::Mode::Update;
    return 0;
  }
  context.err << "sim mode takes \"normal\" or \"update\"\n";
  return 2;
}

int Version(Context& context, sim::SimulatedDevice& device, std::span<const std::string> args) {
  if (args.empty()) {
    const int version = device.Version();
    context.out << version / 16 << '.' << version % 16 << '\n';
    return 0;
  }
  std::uint8_t version = 0;
  if (args.size() != 1 || !ParseVersion(args[0], version)) {
    context.err << "sim version takes MAJOR.MINOR, each 0..15\n";
    return 2;
  }
  device.Version() = version;
  return 0;
}

}  // namespace

int RunSimCommand(Context& context, sim::SimulatedDevice* device,
                  std::span<const std::string> args) {
  if (device == nullptr) {
    context.err << "sim commands need --simulate\n";
    return 2;
  }
  if (args.empty()) {
    context.err << "sim needs one of: mode, version, factory\n";
    return 2;
  }
  const std::string& word = args[0];
  if (word == "mode") {
    return Mode(context, *device, args.subspan(1));
  }
  if (word == "version") {
    return Version(context, *device, args.subspan(1));
  }
  if (word == "factory") {
    if (args.size() != 1) {
      context.err << "sim factory takes no arguments\n";
      return 2;
    }
    device->LoadFactoryContents();
    return 0;
  }
  context.err << "unknown sim command: " << word << '\n';
  return 2;
}

}  // namespace nimbo::cli
