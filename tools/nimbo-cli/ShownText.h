// Text from outside (a name the user typed, a device's text) as the terminal
// is given it: never with a character that moves the cursor, starts a new
// line or drives the terminal, so that every message stays one line.
// Shared by nimbo-cli and nimbo-fwu.
#pragma once

#include <string>
#include <string_view>

#include "ledmatrix/Utf8.h"

namespace nimbo::cli {

// `text` with C0 controls, DEL and bytes that are not UTF-8 shown as "\x1B",
// and the C1 controls (U+0080..U+009F, which some terminals obey) as
// "\u009B"; any other character as it is.
inline std::string EscapeControls(std::string_view text, bool escapeQuotes = false) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    char32_t point = 0;
    if (!ledmatrix::NextCodePoint(text, i, point)) {
      point = static_cast<unsigned char>(text[i++]);  // not UTF-8: the byte itself
    } else if (point >= 0x20 && point != 0x7F && (point < 0x80 || point > 0x9F)) {
      if (escapeQuotes && (point == '"' || point == '\\')) {
        shown += '\\';
      }
      shown.append(text.substr(start, i - start));
      continue;
    }
    const bool c1 = i - start == 2;  // a C1 control, two bytes long
    shown += {'\\', c1 ? 'u' : 'x'};
    shown += c1 ? "00" : "";
    shown += {kHex[point >> 4], kHex[point & 0x0F]};
  }
  return shown;
}

// A name the user gave (a file, a state file) as messages show it: as it is,
// or, when it holds a control character or a byte that is not UTF-8, in
// double quotes with those, '"' and '\' escaped ("a\x0Ab.fwu").
inline std::string ShownName(std::string_view name) {
  if (EscapeControls(name) == name) {
    return std::string(name);
  }
  return '"' + EscapeControls(name, true) + '"';
}

}  // namespace nimbo::cli
