#include "settings/SettingsBackup.h"

#include <cstdio>
#include <span>

#include "link/Crc32.h"
#include "settings/SettingsReport.h"

namespace nimbo::settings {

namespace {

constexpr std::string_view kBytesKey = "bytes";
constexpr std::string_view kCrcKey = "crc32";
constexpr std::size_t kBytesPerLine = 17;

std::span<const std::uint8_t> Record(const SettingsArray& bytes) {
  return std::span<const std::uint8_t>(bytes).first(kSettingsCount);
}

std::string Hex32(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// Splits "key rest" at the first blank.
std::pair<std::string_view, std::string_view> SplitKey(std::string_view line) {
  const auto blank = line.find_first_of(" \t");
  if (blank == std::string_view::npos) {
    return {line, {}};
  }
  return {line.substr(0, blank), Trim(line.substr(blank))};
}

// The label of a "Label: shown text" line.
std::string_view LabelOf(std::string_view line) {
  return line.substr(0, line.find(": "));
}

}  // namespace

std::string FormatBackup(const SettingsArray& bytes, std::string_view origin) {
  std::string text(kBackupFormatLine);
  text += "\n# ";
  text += origin;
  text += "\n# Only the 'bytes' and 'crc32' lines are read back; the comments show the fields.\n";
  for (const std::string& line : DescribeSettings(bytes)) {
    text += "# " + line + '\n';
  }
  const auto record = Record(bytes);
  for (std::size_t first = 0; first < record.size(); first += kBytesPerLine) {
    const std::size_t count = std::min(kBytesPerLine, record.size() - first);
    text += std::string(kBytesKey) + ' ' + BytesToHex(record.subspan(first, count)) + '\n';
  }
  text += std::string(kCrcKey) + ' ' + Hex32(Crc32(record)) + '\n';
  return text;
}

std::optional<SettingsArray> ParseBackup(std::string_view text, std::string& error) {
  std::string hex;
  std::optional<std::string_view> crcText;
  bool formatSeen = false;
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++lineNumber;
    const std::string_view line = Trim(raw);
    const std::string where = "line " + std::to_string(lineNumber);
    if (!formatSeen) {
      if (line != kBackupFormatLine) {
        error = line.starts_with("NIMBO settings backup ")
                    ? "written in another format version (\"" + std::string(line) +
                          "\"); this program reads \"" + std::string(kBackupFormatLine) + "\""
                    : "not a NIMBO settings backup (the first line is not \"" +
                          std::string(kBackupFormatLine) + "\")";
        return std::nullopt;
      }
      formatSeen = true;
      continue;
    }
    if (line.empty() || line.front() == '#') {
      continue;
    }
    const auto [key, rest] = SplitKey(line);
    if (key == kBytesKey) {
      if (crcText) {
        error = where + ": bytes after the checksum line";
        return std::nullopt;
      }
      hex += std::string(rest) + ' ';
    } else if (key == kCrcKey) {
      if (crcText) {
        error = where + ": a second checksum line";
        return std::nullopt;
      }
      crcText = rest;
    } else {
      error = where + ": unknown line \"" + std::string(line.substr(0, 40)) + "\"";
      return std::nullopt;
    }
  }
  if (!formatSeen) {
    error = "the file is empty";
    return std::nullopt;
  }
  std::string hexError;
  const auto bytes = ParseHexBytes(hex, kSettingsCount, hexError);
  if (!bytes) {
    error = "the settings bytes are damaged: " + hexError;
    return std::nullopt;
  }
  if (!crcText) {
    error = "the checksum line is missing (the file may be truncated)";
    return std::nullopt;
  }
  const std::string expected = Hex32(Crc32(*bytes));
  std::string given(*crcText);
  for (char& c : given) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (given != expected) {
    error = "the checksum does not match the bytes (the file is damaged)";
    return std::nullopt;
  }
  SettingsArray record{};
  std::copy(bytes->begin(), bytes->end(), record.begin());
  return record;
}

std::vector<std::string> DescribeChanges(const SettingsArray& current,
                                         const SettingsArray& restored) {
  std::vector<std::string> changes;
  const auto before = DescribeSettings(current);
  const auto after = DescribeSettings(restored);
  for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
    if (before[i] != after[i]) {
      const std::string_view label = LabelOf(before[i]);
      changes.push_back(before[i] + " -> " +
                        std::string(std::string_view(after[i]).substr(label.size() + 2)));
    }
  }
  // A changed byte that alters no shown field (byte 0, bits no field
  // decodes) is listed by itself, so every change is shown.
  for (std::size_t index = 0; index < static_cast<std::size_t>(kSettingsCount); ++index) {
    if (current[index] == restored[index]) {
      continue;
    }
    SettingsArray single = current;
    single[index] = restored[index];
    if (DescribeSettings(single) == before) {
      changes.push_back("byte " + std::to_string(index) + ": " +
                        BytesToHex(std::span(&current[index], 1)) + " -> " +
                        BytesToHex(std::span(&restored[index], 1)));
    }
  }
  return changes;
}

}  // namespace nimbo::settings
