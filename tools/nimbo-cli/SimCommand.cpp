// "sim ...": looks at and changes the simulated device itself, as a person
// would by restarting it in update mode or putting it back to its factory
// state (only with --simulate). These never open the link.
#include <CLI/CLI.hpp>
#include <charconv>
#include <memory>
#include <optional>
#include <ostream>

#include "Commands.h"

namespace nimbo::cli {
namespace {

constexpr int kNibbleMax = 15;  // a version byte holds major and minor as nibbles

// Parses "MAJOR.MINOR" with both parts 0..15.
std::optional<std::uint8_t> ParseVersion(const std::string& text) {
  const auto dot = text.find('.');
  if (dot == std::string::npos) {
    return std::nullopt;
  }
  int major = -1;
  int minor = -1;
  const char* begin = text.data();
  const char* end = begin + text.size();
  const auto first = std::from_chars(begin, begin + dot, major);
  const auto second = std::from_chars(begin + dot + 1, end, minor);
  if (first.ec != std::errc{} || first.ptr != begin + dot || second.ec != std::errc{} ||
      second.ptr != end || major < 0 || major > kNibbleMax || minor < 0 || minor > kNibbleMax) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(major * 16 + minor);
}

int Mode(Context& context, const std::string& wanted) {
  sim::SimulatedDevice* device = context.Device();
  if (device == nullptr) {
    return context.Simulated() ? kFailure : kUsageError;
  }
  if (wanted.empty()) {
    context.Out() << (device->CurrentMode() == sim::Mode::Update ? "update" : "normal") << '\n';
  } else {
    device->CurrentMode() = wanted == "update" ? sim::Mode::Update : sim::Mode::Normal;
  }
  return kSuccess;
}

int Version(Context& context, const std::string& wanted) {
  std::optional<std::uint8_t> version;
  if (!wanted.empty() && !(version = ParseVersion(wanted))) {
    return context.Fail("'" + wanted + "' is not MAJOR.MINOR with each part 0..15", kUsageError);
  }
  sim::SimulatedDevice* device = context.Device();
  if (device == nullptr) {
    return context.Simulated() ? kFailure : kUsageError;
  }
  if (!version) {
    const int current = device->Version();
    context.Out() << current / 16 << '.' << current % 16 << '\n';
  } else {
    device->Version() = *version;
  }
  return kSuccess;
}

int Factory(Context& context) {
  sim::SimulatedDevice* device = context.Device();
  if (device == nullptr) {
    return context.Simulated() ? kFailure : kUsageError;
  }
  device->LoadFactoryContents();
  return kSuccess;
}

}  // namespace

void AddSimCommands(CLI::App& app, Context& context) {
  CLI::App* group = app.add_subcommand(
      "sim",
      "The simulated device itself (needs --simulate); works while another program "
      "holds its link");
  group->require_subcommand(1);

  CLI::App* mode = group->add_subcommand("mode", "Show or change the mode: normal or update");
  auto wantedMode = std::make_shared<std::string>();
  mode->add_option("MODE", *wantedMode, "normal or update")
      ->check(CLI::IsMember({"normal", "update"}));
  SetAction(*mode, context, "sim mode",
            [&context, wantedMode] { return Mode(context, *wantedMode); });

  CLI::App* version =
      group->add_subcommand("version", "Show or change the firmware version, MAJOR.MINOR");
  auto wantedVersion = std::make_shared<std::string>();
  version->add_option("VERSION", *wantedVersion, "MAJOR.MINOR, each 0..15");
  SetAction(*version, context, "sim version",
            [&context, wantedVersion] { return Version(context, *wantedVersion); });

  CLI::App* factory = group->add_subcommand(
      "factory", "Put memory, settings, version and mode back as the device left the factory");
  SetAction(*factory, context, "sim factory", [&context] { return Factory(context); });

  AddSimFaultCommands(*group, context);
}

}  // namespace nimbo::cli
