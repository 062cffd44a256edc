// "settings backup FILE" and "settings restore FILE [--dry-run]": the
// settings record kept in a text file that a person can read, and put back
// only after showing what it changes.
#include <CLI/CLI.hpp>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "Commands.h"
#include "SettingsRecord.h"
#include "ShownText.h"
#include "UserFiles.h"
#include "link/platform/FileKind.h"
#include "settings/SettingsBackup.h"
#include "settings/SettingsReport.h"

namespace nimbo::cli {
namespace {

// A backup is a few kilobytes; anything much larger is not one.
constexpr std::size_t kLargestBackup = 64 * 1024;
// Flashes in one second that each get their own pair of backup files.
constexpr int kBackupsPerSecond = 99;

// The time now in UTC, in strftime's `format`.
std::string Now(const char* format = "%Y-%m-%d %H:%M:%S UTC") {
  using namespace std::chrono;
  const sys_seconds now = floor<seconds>(system_clock::now());
  const sys_days today = floor<days>(now);
  const year_month_day date(today);
  const hh_mm_ss time(now - today);
  std::tm utc{};
  utc.tm_year = static_cast<int>(date.year()) - 1900;
  utc.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
  utc.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
  utc.tm_hour = static_cast<int>(time.hours().count());
  utc.tm_min = static_cast<int>(time.minutes().count());
  utc.tm_sec = static_cast<int>(time.seconds().count());
  char text[40];
  std::strftime(text, sizeof text, format, &utc);
  return text;
}

int Backup(Context& context, const std::string& path, bool force) {
  // A name that cannot be written is refused before the device is asked.
  if (const FileOutcome check = CheckOutputFile(path, force); !check.Ok()) {
    return context.Fail(check.message);
  }
  const NIMBOmodule* module = ReadRecord(context);
  if (module == nullptr) {
    return kFailure;
  }
  const std::string text =
      settings::FormatBackup(module->SettingsBytes, "Saved by nimbo-cli on " + Now());
  if (const FileOutcome written = WriteUserFile(path, text, force, context.Out()); !written.Ok()) {
    return context.Fail(written.message);
  }
  if (path != "-") {
    context.Out() << "Saved the settings to " << ShownName(platform::SavedName(path)) << ".\n";
  }
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
    return context.Fail(ShownName(path) + ": " + error);
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
  context.Out() << "Restored the settings from " << ShownName(platform::SavedName(path)) << ".\n";
  return kSuccess;
}

}  // namespace

std::string SaveBackupsBeforeFlash(Context& context, NIMBOmodule& module) {
  module.ReadEeprom();
  if (module.LinkStatus != 0) {
    return "Read Error! (the settings could not be saved) " + context.LinkFailureText("ReadEeprom");
  }
  if (module.DeviceFound == kFalse) {
    return "the LED matrix text could not be read, so it cannot be saved";
  }
  const std::string settingsText = settings::FormatBackup(
      module.SettingsBytes, "Saved by nimbo-cli before a firmware update on " + Now());
  // nimbo-backup-STAMP-NN-matrix.txt and -settings.txt: a pair sorts
  // together, pairs sort by time, and NN counts the flashes of one second.
  const std::string stamp = "nimbo-backup-" + Now("%Y%m%d-%H%M%S") + "-";
  for (int number = 1; number <= kBackupsPerSecond; ++number) {
    const std::string pair = stamp + (number < 10 ? "0" : "") + std::to_string(number);
    const std::string settingsFile = pair + "-settings.txt";
    const std::string matrixFile = pair + "-matrix.txt";
    FileOutcome saved = WriteUserFile(settingsFile, settingsText, false, context.Out());
    if (saved.Ok()) {
      saved = WriteUserFile(matrixFile, module.MatrixString, false, context.Out());
      if (saved.Ok()) {
        context.Out() << "Saved the settings to " << settingsFile << " and the LED matrix text to "
                      << matrixFile << ".\n";
        return {};
      }
      std::error_code ignored;
      std::filesystem::remove(settingsFile, ignored);  // half a pair is no backup
    }
    if (saved.status != FileOutcome::kExists) {
      return "the backups before the update cannot be saved in the current folder (" +
             saved.message + "); run nimbo-cli from a writable folder, or add --no-backup";
    }
  }
  return "every backup name of this second is taken; try again, or add --no-backup";
}

void AddBackupCommands(CLI::App& app, Context& context) {
  CLI::App* group = app.get_subcommand("settings");

  CLI::App* backup = group->add_subcommand(
      "backup", "Save the device's settings in a text file that `settings restore` reads");
  auto backupPath = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  backup->add_option("FILE", *backupPath, "The backup file to write; - for standard output")
      ->required();
  backup->add_flag("--force", *force, "Replace FILE if it is an existing file");
  SetAction(*backup, context, "settings backup",
            [&context, backupPath, force] { return Backup(context, *backupPath, *force); });

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
