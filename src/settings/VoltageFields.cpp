#include "settings/VoltageFields.h"

#include <algorithm>

#include "settings/NumberText.h"

namespace nimbo::settings {
namespace {

constexpr VoltageBoxRule kMinRule = {"MinVoltageTextBox",
                                     "Minimum",
                                     "Low voltage warning trigger point.",
                                     4.5,
                                     "4.50",
                                     4.95,
                                     "4.95",
                                     false};
constexpr VoltageBoxRule kMaxRule = {"MaxVoltageTextBox",
                                     "Maximum",
                                     "High voltage warning trigger point.",
                                     5.05,
                                     "5.05",
                                     5.5,
                                     "5.5",
                                     false};
constexpr VoltageBoxRule kOffsetRule = {"VoltageOffsetTextBox",
                                        "Offset",
                                        "Voltage offset used to correct ADC.",
                                        -127.0,
                                        "-127",
                                        127.0,
                                        "127",
                                        true};

constexpr double kMaxWord = 65535.0;
constexpr double kOffsetMagnitude = 127.0;  // sign and magnitude: -127..+127

}  // namespace

const VoltageBoxRule& RuleOf(VoltageBox box) {
  switch (box) {
    case VoltageBox::Min:
      return kMinRule;
    case VoltageBox::Max:
      return kMaxRule;
    case VoltageBox::Offset:
      break;
  }
  return kOffsetRule;
}

Correction CorrectVoltageText(VoltageBox box, std::string_view typed) {
  const VoltageBoxRule& rule = RuleOf(box);
  Correction result{std::string(typed), 0};
  // Each check reads the text again, so a corrected text meets the next check.
  const auto check_lower = [&] {
    if (NumericValue(result.text) < rule.lower) {
      result.text = std::string(rule.lowerText);
      ++result.beeps;
    }
  };
  const auto check_upper = [&] {
    if (NumericValue(result.text) > rule.upper) {
      result.text = std::string(rule.upperText);
      ++result.beeps;
    }
  };
  if (rule.upperFirst) {
    check_upper();
    check_lower();
  } else {
    check_lower();
    check_upper();
  }
  return result;
}

void EncodeVoltageBox(SettingsArray& bytes, VoltageBox box, std::string_view text) {
  const double value = NumericValue(text);
  if (box == VoltageBox::Offset) {
    const double n = std::clamp(RoundHalfEven(value), -kOffsetMagnitude, kOffsetMagnitude);
    const int whole = static_cast<int>(n);
    bytes[kVoltageOffsetIndex] = static_cast<std::uint8_t>(whole < 0 ? 128 - whole : whole);
    return;
  }
  const double v = std::clamp(RoundHalfEven(value * 100.0), 0.0, kMaxWord);
  const std::size_t index = box == VoltageBox::Min ? kMinVoltageIndex : kMaxVoltageIndex;
  WriteWord(bytes, index, static_cast<std::uint16_t>(v));
}

Correction LeaveVoltageBox(SettingsArray& bytes, VoltageBox box, std::string_view typed) {
  Correction result = CorrectVoltageText(box, typed);
  EncodeVoltageBox(bytes, box, result.text);
  return result;
}

std::string DecodeVoltageBox(const SettingsArray& bytes, VoltageBox box) {
  switch (box) {
    case VoltageBox::Min:
      return VoltageText(ReadWord(bytes, kMinVoltageIndex));
    case VoltageBox::Max:
      return VoltageText(ReadWord(bytes, kMaxVoltageIndex));
    case VoltageBox::Offset:
      break;
  }
  return OffsetText(bytes[kVoltageOffsetIndex]);
}

bool VoltageFieldsEnabled(const SettingsArray& bytes) {
  return DecodeOptionBit(bytes, kVoltageMonitorBit);
}

FilteredKeyPress FilterKeyPress(int keyascii) {
  constexpr int kBackspace = 8;
  if (keyascii == kBackspace) {
    return {keyascii, keyascii};
  }
  const int upper = (keyascii >= 'a' && keyascii <= 'z') ? keyascii - 'a' + 'A' : keyascii;
  const bool accepted =
      (upper >= '0' && upper <= '9') || upper == '.' || upper == '-' || upper == kEnterKey;
  return {accepted ? keyascii : 0, upper};
}

}  // namespace nimbo::settings
