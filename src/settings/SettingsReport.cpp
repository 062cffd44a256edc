#include "settings/SettingsReport.h"

#include <cstdio>

#include "settings/SettingsFields.h"
#include "settings/VoltageFields.h"

namespace nimbo::settings {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

}  // namespace

std::string ColorHex(std::uint32_t value) {
  char text[7];
  std::snprintf(text, sizeof text, "%02X%02X%02X", value & 255u, (value >> 8) & 255u,
                (value >> 16) & 255u);
  return text;
}

std::string BytesToHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::uint8_t b : bytes) {
    if (!text.empty()) {
      text.push_back(' ');
    }
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 15]);
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text, std::size_t count,
                                                       std::string& error) {
  std::vector<std::uint8_t> bytes;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == ' ' || c == '\t') {
      ++pos;
      continue;
    }
    const int high = HexDigit(c);
    const int low = pos + 1 < text.size() ? HexDigit(text[pos + 1]) : -1;
    if (high < 0 || low < 0) {
      error = "Not a hex byte at character " + std::to_string(pos + 1) +
              ": expected two hex digits per byte";
      return std::nullopt;
    }
    if (bytes.size() == count) {
      error = "Too many bytes: expected exactly " + std::to_string(count);
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    pos += 2;
  }
  if (bytes.size() != count) {
    error =
        "Expected exactly " + std::to_string(count) + " bytes, got " + std::to_string(bytes.size());
    return std::nullopt;
  }
  return bytes;
}

std::vector<std::string> DescribeSettings(const SettingsArray& bytes) {
  std::vector<std::string> lines;
  for (const ComboField& field : ComboFields()) {
    std::string shown(ShownEntry(field, bytes));
    if (shown.empty()) {
      shown = "(no entry)";
    }
    lines.push_back(std::string(field.label) + ": " + shown);
  }
  for (const CheckField& field : CheckFields()) {
    const bool ticked = DecodeCheck(bytes, field);
    lines.push_back("Voltage Monitoring " + std::string(field.caption) + ": " +
                    (ticked ? "ticked" : "cleared"));
  }
  for (VoltageBox box : {VoltageBox::Min, VoltageBox::Max, VoltageBox::Offset}) {
    lines.push_back(std::string(RuleOf(box).label) + ": " + DecodeVoltageBox(bytes, box));
  }
  const auto slots = ColorSlotFields();
  for (int slot = 0; slot < kColorSlotCount; ++slot) {
    lines.push_back(std::string(slots[static_cast<std::size_t>(slot)].label) + ": #" +
                    ColorHex(DecodeColor(bytes, slot)));
  }
  return lines;
}

}  // namespace nimbo::settings
