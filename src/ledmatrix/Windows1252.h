// The single-byte character set in which the device stores its matrix text.
//
// Every byte maps to exactly one Unicode code point and back, on every
// platform. The five codes the character set leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so no byte the
// device holds is lost on its way through the program's text.
#pragma once

#include <cstdint>
#include <optional>

namespace nimbo::ledmatrix {

char32_t Windows1252ToUnicode(std::uint8_t code);

// The code of `codePoint`, or nothing when the character set has none.
std::optional<std::uint8_t> UnicodeToWindows1252(char32_t codePoint);

}  // namespace nimbo::ledmatrix
