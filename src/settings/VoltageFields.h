// The three number boxes of the "Voltage Monitoring" group: their key filter,
// their limits with the correction to a limit's text, and how their texts are
// shown from and stored into the image.
#pragma once

#include <string>
#include <string_view>

#include "settings/SettingsImage.h"

namespace nimbo::settings {

enum class VoltageBox { Min, Max, Offset };

struct VoltageBoxRule {
  std::string_view control;  // "MinVoltageTextBox", ...
  std::string_view label;    // "Minimum", "Maximum", "Offset"
  std::string_view toolTip;
  double lower;  // inclusive
  std::string_view lowerText;
  double upper;  // inclusive
  std::string_view upperText;
  bool upperFirst;  // the offset box tests its upper limit first
};

const VoltageBoxRule& RuleOf(VoltageBox box);

struct Correction {
  std::string text;  // the box's text after the limit checks
  int beeps = 0;     // one per correction
};

// The limit checks run when the focus leaves a box: an out-of-range value is
// replaced by its limit's text (and beeps); anything else stays as typed.
Correction CorrectVoltageText(VoltageBox box, std::string_view typed);
// Stores a (corrected) text: voltages as value x 100, the offset in sign and
// magnitude, both rounded halves to even. Values are held to the field's range.
void EncodeVoltageBox(SettingsArray& bytes, VoltageBox box, std::string_view text);
// Limit checks, then store; what the focus-leave handler does.
Correction LeaveVoltageBox(SettingsArray& bytes, VoltageBox box, std::string_view typed);
// The text a box shows for the image.
std::string DecodeVoltageBox(const SettingsArray& bytes, VoltageBox box);

// Flash_box, the three boxes and their labels are enabled exactly when the
// voltage warning system is on (bit 1 of byte 1).
bool VoltageFieldsEnabled(const SettingsArray& bytes);

// The key filter of the three boxes: backspace, digits, ".", "-" and Enter pass.
struct FilteredKeyPress {
  int keyascii;     // the key to insert, 0 when discarded
  int filteredKey;  // the key seen, upper-cased unless backspace (13 = Enter)
};
inline constexpr int kEnterKey = 13;
FilteredKeyPress FilterKeyPress(int keyascii);

}  // namespace nimbo::settings
