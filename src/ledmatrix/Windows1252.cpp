#include "ledmatrix/Windows1252.h"

#include <array>

namespace nimbo::ledmatrix {

namespace {

// Codes 0x80..0x9F; the rest of the character set equals Unicode's first 256
// code points. Undefined codes keep their C1 control.
constexpr std::array<char32_t, 32> kHighControlRow = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80..0x87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88..0x8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90..0x97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98..0x9F
};

constexpr std::uint8_t kRowStart = 0x80;
constexpr std::uint8_t kRowEnd = 0xA0;  // first code after the row

}  // namespace

char32_t Windows1252ToUnicode(std::uint8_t code) {
  if (code >= kRowStart && code < kRowEnd) {
    return kHighControlRow[code - kRowStart];
  }
  return code;
}

std::optional<std::uint8_t> UnicodeToWindows1252(char32_t codePoint) {
  if (codePoint < kRowStart || (codePoint >= kRowEnd && codePoint <= 0xFF)) {
    return static_cast<std::uint8_t>(codePoint);
  }
  for (std::size_t i = 0; i < kHighControlRow.size(); ++i) {
    if (kHighControlRow[i] == codePoint) {
      return static_cast<std::uint8_t>(kRowStart + i);
    }
  }
  return std::nullopt;
}

}  // namespace nimbo::ledmatrix
