// "settings read|write HEX|show|defaults": the device's settings record from
// the terminal, decoded and encoded by the same tables as the window.
#include <algorithm>
#include <ostream>
#include <span>
#include <string>

#include "Commands.h"
#include "settings/FactoryDefaults.h"
#include "settings/SettingsReport.h"

namespace nimbo::cli {

namespace {

constexpr const char* kUsage =
    "usage: settings read | settings write HEX | settings show | settings defaults";

std::span<const std::uint8_t> Record(const NIMBOmodule& module) {
  return std::span<const std::uint8_t>(module.SettingsBytes).first(kSettingsCount);
}

// Reads the 68 bytes into SettingsBytes; false after a one-line failure message.
bool ReadRecord(Context& context) {
  if (!EnsureLink(context)) {
    return false;
  }
  context.module.ReadEeprom();
  if (context.module.LinkStatus != 0) {
    context.err << "Read Error! ";
    ReportLinkFailure(context, "ReadEeprom");
    return false;
  }
  return true;
}

int WriteRecord(Context& context) {
  context.module.WriteEeprom();
  if (context.module.LinkStatus != 0) {
    context.err << "Write Error! ";
    return ReportLinkFailure(context, "WriteEeprom");
  }
  return 0;
}

int ReadSettings(Context& context) {
  if (!ReadRecord(context)) {
    return 1;
  }
  context.out << settings::BytesToHex(Record(context.module)) << '\n';
  return 0;
}

int ShowSettings(Context& context) {
  if (!ReadRecord(context)) {
    return 1;
  }
  for (const std::string& line : settings::DescribeSettings(context.module.SettingsBytes)) {
    context.out << line << '\n';
  }
  return 0;
}

int WriteSettings(Context& context, std::span<const std::string> hexWords) {
  std::string joined;
  for (const std::string& word : hexWords) {
    joined += word;
    joined += ' ';
  }
  std::string error;
  const auto bytes = settings::ParseHexBytes(joined, kSettingsCount, error);
  if (!bytes) {
    context.err << "settings write: " << error << '\n';
    return 2;
  }
  if (!EnsureLink(context)) {
    return 1;
  }
  std::copy(bytes->begin(), bytes->end(), context.module.SettingsBytes.begin());
  if (const int status = WriteRecord(context); status != 0) {
    return status;
  }
  context.out << "Wrote " << kSettingsCount << " bytes.\n";
  return 0;
}

int DefaultSettings(Context& context) {
  // Byte 0 belongs to the firmware: it is written back as read.
  if (!ReadRecord(context)) {
    return 1;
  }
  settings::WriteFactoryDefaults(context.module.SettingsBytes);
  if (const int status = WriteRecord(context); status != 0) {
    return status;
  }
  context.out << "Wrote the factory defaults.\n";
  return 0;
}

}  // namespace

int RunSettingsCommand(Context& context, std::span<const std::string> args) {
  if (args.size() == 1 && args[0] == "read") {
    return ReadSettings(context);
  }
  if (args.size() == 1 && args[0] == "show") {
    return ShowSettings(context);
  }
  if (args.size() == 1 && args[0] == "defaults") {
    return DefaultSettings(context);
  }
  if (args.size() >= 2 && args[0] == "write") {
    return WriteSettings(context, args.subspan(1));
  }
  context.err << kUsage << '\n';
  return 2;
}

}  // namespace nimbo::cli
