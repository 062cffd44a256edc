// "settings backup FILE" and "settings restore FILE [--dry-run]": the
// settings record kept in a text file that a person can read, and put back
// only after showing what it changes.
#include <CLI/CLI.hpp>
#include <chrono>
#include <ctime>
#include <memory>
#include <ostream>
#include <string>

#include "Commands.h"
#include "SettingsRecord.h"
#include "UserFiles.h"
#include "settings/SettingsBackup.h"
#include "settings/SettingsReport.h"

namespace nimbo::cli {
namespace {

// A backup is a few kilobytes; anything much larger is not one.
constexpr std::size_t kLargestBackup = 64 * 1024;

// The time now in UTC, in strftime's `format`.
std::string Now(const char* format = "%Y-%m-%d %H:%M:%S UTC") {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[40];
  std::strftime(text, sizeof text, format, &utc);
  return text;
}

int Backup(Context& context, const std::string& path, bool replace) {
  const NIMBOmodule* module = ReadRecord(context);
  if (module == nullptr) {
    return kFailure;
  }
  std::string error;
  const std::string text =
      settings::FormatBackup(module->SettingsBytes, "Saved by nimbo-cli on " + Now());
  if (!WriteUserFile(path, text, replace, error)) {
    return context.Fail(error);
  }
  context.Out() << "Saved the settings to " << path << ".\n";
  return kSuccess;
}

int Restore(Context& context, const std::string& path, bool dryRun) {
  // The file is checked whole before the device is touched.
  std::string error;
  const auto text = ReadUserFile(path, kLargestBackup, error);
  if (!text) {
    return context.Fail(error);
  }
  const auto restored = settings::ParseBackup(*text, error);
  if (!restored) {
    return context.Fail(path + ": " + error);
  }
  NIMBOmodule* module = ReadRecord(context);
  if (module == nullptr) {
    return kFailure;
  }
  const settings::SettingsArray current = module->SettingsBytes;
  settings::SettingsArray target = *restored;
  // Byte 0 belongs to the device's firmware: it keeps the value it has.
  target[0] = current[0];
  const auto changes = settings::DescribeChanges(current, target);
  if ((*restored)[0] != current[0]) {
    context.Out() << "Byte 0 belongs to the device's firmware and stays "
                  << settings::BytesToHex(std::span(&current[0], 1)) << " (the backup has "
                  << settings::BytesToHex(std::span(&(*restored)[0], 1)) << ").\n";
  }
  if (changes.empty()) {
    context.Out() << "The device holds these settings already; nothing to write.\n";
    return kSuccess;
  }
  context.Out() << (dryRun ? "Restoring would change:\n" : "Restoring changes:\n");
  for (const std::string& change : changes) {
    context.Out() << "  " << change << '\n';
  }
  if (dryRun) {
    context.Out() << "Dry run: nothing was written.\n";
    return kSuccess;
  }
  std::copy(target.begin(), target.begin() + kSettingsCount, module->SettingsBytes.begin());
  if (const int status = WriteRecord(context, *module); status != kSuccess) {
    return status;
  }
  context.Out() << "Restored the settings from " << path << ".\n";
  return kSuccess;
}

}  // namespace

bool SaveBackupsBeforeFlash(Context& context, NIMBOmodule& module) {
  module.ReadEeprom();
  if (module.LinkStatus != 0) {
    context.LinkFailure("ReadEeprom", "Read Error! (the settings could not be saved) ");
    return false;
  }
  if (module.DeviceFound == kFalse) {
    context.Fail("the LED matrix text could not be read, so it cannot be saved");
    return false;
  }
  const std::string stamp = Now("%Y%m%d-%H%M%S");
  const std::string settingsFile = "nimbo-settings-" + stamp + ".txt";
  const std::string matrixFile = "nimbo-matrix-" + stamp + ".txt";
  std::string error;
  if (!WriteUserFile(
          settingsFile,
          settings::FormatBackup(module.SettingsBytes,
                                 "Saved by nimbo-cli before a firmware update on " + Now()),
          false, error) ||
      !WriteUserFile(matrixFile, module.MatrixString, false, error)) {
    context.Fail(error + " (the backup before the update failed)");
    return false;
  }
  context.Out() << "Saved the settings to " << settingsFile << " and the LED matrix text to "
                << matrixFile << ".\n";
  return true;
}

void AddBackupCommands(CLI::App& app, Context& context) {
  CLI::App* group = app.get_subcommand("settings");

  CLI::App* backup = group->add_subcommand(
      "backup", "Save the device's settings in a text file that `settings restore` reads");
  auto backupPath = std::make_shared<std::string>();
  auto replace = std::make_shared<bool>(false);
  backup->add_option("FILE", *backupPath, "The backup file to write")->required();
  backup->add_flag("--force", *replace, "Replace FILE if it exists");
  SetAction(*backup, context, "settings backup",
            [&context, backupPath, replace] { return Backup(context, *backupPath, *replace); });

  CLI::App* restore = group->add_subcommand(
      "restore", "Check a backup, show what it changes, and write it to the device");
  auto restorePath = std::make_shared<std::string>();
  auto dryRun = std::make_shared<bool>(false);
  restore->add_option("FILE", *restorePath, "A file written by `settings backup`")->required();
  restore->add_flag("--dry-run", *dryRun, "Show the changes without writing them");
  SetAction(*restore, context, "settings restore",
            [&context, restorePath, dryRun] { return Restore(context, *restorePath, *dryRun); });
}

}  // namespace nimbo::cli
