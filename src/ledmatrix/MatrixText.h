// The LED Matrix String as text (UTF-8) and as the device's character codes.
//
// A text can be stored when it is valid UTF-8, every character has a code in
// the device's character set (Windows-1252), no character is U+0000 (code 0
// ends the string in the image) and it has at most 384 characters. Text that
// breaks one of these rules is refused with a message; it is never cut or
// altered on its way to the device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nimbo::ledmatrix {

inline constexpr std::size_t kMatrixCapacity = 384;  // characters, one image cell each

struct MatrixCodes {
  std::vector<std::uint8_t> codes;  // one code 1..255 per character
  std::string problem;              // empty when the whole text can be stored
};

// Converts `text`; on a problem `codes` holds the characters before it.
MatrixCodes TextToMatrixCodes(std::string_view text);

// Always valid UTF-8; code 0 (never part of a string) becomes U+0000.
std::string MatrixCodesToText(std::span<const std::uint8_t> codes);

// Nothing when `text` can be stored as it stands, else a message for the user.
std::optional<std::string> MatrixTextProblem(std::string_view text);

}  // namespace nimbo::ledmatrix
