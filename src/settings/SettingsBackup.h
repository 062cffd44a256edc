// A settings backup: the 68 settings bytes in a small text file that a person
// can read. The first line names the format and its version, every decoded
// field follows as a comment line, then the bytes in hex and their CRC-32:
//
//   NIMBO settings backup 1
//   # LED 1: STATUS
//   ...
//   bytes 00 07 01 02 03 04 00 09 38 00 96 00 96 01 2C 00 0F
//   bytes ...
//   crc32 6C1A2B3F
//
// Lines starting with '#' and blank lines are ignored when the file is read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsImage.h"

namespace nimbo::settings {

inline constexpr std::string_view kBackupFormatLine = "NIMBO settings backup 1";

// The whole file for the record in `bytes` (indices 0..67). `origin` is one
// comment line's text, e.g. the program and the time of the backup.
std::string FormatBackup(const SettingsArray& bytes, std::string_view origin);

// The record a backup file holds, or nullopt with a one-line reason in `error`
// (not a backup, a newer format, a damaged line, too few or too many bytes, a
// checksum that does not match).
std::optional<SettingsArray> ParseBackup(std::string_view text, std::string& error);

// What writing `restored` over `current` changes, one line per field as the
// configuration window shows it ("LED 1: STATUS -> IRQ"), and one per byte
// that no field shows ("byte 0: 01 -> 02"). Empty when nothing changes.
std::vector<std::string> DescribeChanges(const SettingsArray& current,
                                         const SettingsArray& restored);

}  // namespace nimbo::settings
