// "settings read|write|show|defaults": the device's settings record from the
// terminal, decoded and encoded by the same tables as the window.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <ostream>
#include <span>
#include <string>

#include "Commands.h"
#include "DeviceWrite.h"
#include "SettingsRecord.h"
#include "settings/FactoryDefaults.h"
#include "settings/SettingsReport.h"

namespace nimbo::cli {
namespace {

// About how long the device takes for the 68 "WE" exchanges.
constexpr DeviceWrite::Duration kWriteDuration{0.3};

std::span<const std::uint8_t> Record(const NIMBOmodule& module) {
  return std::span<const std::uint8_t>(module.SettingsBytes).first(kSettingsCount);
}

}  // namespace

NIMBOmodule* ReadRecord(Context& context) {
  NIMBOmodule* module = context.OpenModule();
  if (module == nullptr) {
    return nullptr;
  }
  module->ReadEeprom();
  if (module->LinkStatus != 0) {
    context.LinkFailure("ReadEeprom", "Read Error! ");
    return nullptr;
  }
  return module;
}

int WriteRecord(Context& context, NIMBOmodule& module) {
  {
    const DeviceWrite write(context, module, "the settings write",
                            "stopped part-way, the device would hold a mix of old and new settings",
                            kWriteDuration);
    module.WriteEeprom();
  }
  if (module.LinkStatus == 0) {
    context.WroteDevice("the settings write");
    return kSuccess;
  }
  // The write stops at the first byte that fails; those before it are
  // stored. A refused byte is not; after any other failure it may be.
  const int stored = module.EepromIndex;
  const bool exact =
      module.FailureCause == LinkCause::Refused || module.FailureCause == LinkCause::BadRequest;
  std::string text =
      "Write Error! " + context.LinkFailureText("WriteEeprom at byte " + std::to_string(stored));
  if (stored == 0 && exact) {
    text += "; no byte reached the device, so its settings are unchanged";
  } else {
    text += std::string("; ") + (exact ? "" : "at least ") + std::to_string(stored) + " of " +
            std::to_string(kSettingsCount) + " bytes reached the device, which " +
            (exact ? "now holds" : "may now hold") +
            " a mix of old and new settings: write them again, or restore a backup (nimbo-cli "
            "settings restore FILE)";
  }
  return context.Fail(text);
}

namespace {

int ReadSettings(Context& context) {
  const NIMBOmodule* module = ReadRecord(context);
  if (module == nullptr) {
    return kFailure;
  }
  context.Out() << settings::BytesToHex(Record(*module)) << '\n';
  return kSuccess;
}

int ShowSettings(Context& context) {
  const NIMBOmodule* module = ReadRecord(context);
  if (module == nullptr) {
    return kFailure;
  }
  for (const std::string& line : settings::DescribeSettings(module->SettingsBytes)) {
    context.Out() << line << '\n';
  }
  return kSuccess;
}

// The words may hold the bytes in any grouping and with any white space, so
// that `settings read` output, pasted or piped, can be written back.
std::string JoinHexWords(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) {
    for (const char c : word) {
      joined += std::isspace(static_cast<unsigned char>(c)) != 0 ? ' ' : c;
    }
    joined += ' ';
  }
  return joined;
}

int WriteSettings(Context& context, const std::vector<std::string>& words) {
  std::string error;
  const auto bytes = settings::ParseHexBytes(JoinHexWords(words), kSettingsCount, error);
  if (!bytes) {
    return context.Fail(error, kUsageError);
  }
  NIMBOmodule* module = context.OpenModule();
  if (module == nullptr) {
    return kFailure;
  }
  std::copy(bytes->begin(), bytes->end(), module->SettingsBytes.begin());
  if (const int status = WriteRecord(context, *module); status != kSuccess) {
    return status;
  }
  context.Out() << "Wrote " << kSettingsCount << " bytes.\n";
  return kSuccess;
}

int DefaultSettings(Context& context) {
  // Byte 0 belongs to the firmware: it is written back as read.
  NIMBOmodule* module = ReadRecord(context);
  if (module == nullptr) {
    return kFailure;
  }
  settings::WriteFactoryDefaults(module->SettingsBytes);
  if (const int status = WriteRecord(context, *module); status != kSuccess) {
    return status;
  }
  context.Out() << "Wrote the factory defaults.\n";
  return kSuccess;
}

}  // namespace

void AddSettingsCommands(CLI::App& app, Context& context) {
  CLI::App* group = app.add_subcommand("settings", "The device's 68-byte settings record");
  group->require_subcommand(1);

  CLI::App* read = group->add_subcommand("read", "Print the 68 settings bytes in hex");
  SetAction(*read, context, "settings read", [&context] { return ReadSettings(context); });

  CLI::App* show = group->add_subcommand(
      "show", "Print every setting decoded, as the configuration window shows it");
  SetAction(*show, context, "settings show", [&context] { return ShowSettings(context); });

  CLI::App* write = group->add_subcommand(
      "write", "Write 68 settings bytes, given in hex with any white space between bytes");
  auto words = std::make_shared<std::vector<std::string>>();
  write->add_option("HEX", *words, "The 68 bytes, as `settings read` prints them")->required();
  SetAction(*write, context, "settings write",
            [&context, words] { return WriteSettings(context, *words); });

  CLI::App* defaults = group->add_subcommand(
      "defaults", "Write the factory settings (byte 0 is kept as the device has it)");
  SetAction(*defaults, context, "settings defaults",
            [&context] { return DefaultSettings(context); });
}

}  // namespace nimbo::cli
