// The settings record as text: hex for `settings read`/`settings write`, and
// the decoded fields for `settings show`.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsImage.h"

namespace nimbo::settings {

// Two upper-case hex digits per byte, separated by blanks: "00 07 01 ...".
std::string BytesToHex(std::span<const std::uint8_t> bytes);
// Exactly `count` bytes of two hex digits each; blanks and tabs may stand
// between bytes. Returns nullopt with a one-line message in `error` otherwise.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text, std::size_t count,
                                                       std::string& error);

// A colour value (R + 256*G + 65536*B) as six upper-case digits, RRGGBB.
std::string ColorHex(std::uint32_t value);

// One "Label: shown text" line per field, as the configuration window shows
// the image: the combos, the check boxes, the voltage boxes, then the colour
// slots as #RRGGBB.
std::vector<std::string> DescribeSettings(const SettingsArray& bytes);

}  // namespace nimbo::settings
