// Text from outside (a name the user typed, a device's text) as the terminal
// is given it: never with a character that moves the cursor, starts a new
// line or drives the terminal, so that every message stays one line.
// Shared by nimbo-cli and nimbo-fwu.
#pragma once

#include <string>
#include <string_view>

namespace nimbo::cli {

// `text` with C0 controls and DEL shown as "\x1B" and the C1 controls
// (U+0080..U+009F, which some terminals obey) as "\u009B"; any other byte
// as it is.
inline std::string EscapeControls(std::string_view text, bool escapeQuotes = false) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0x0F]};
    } else if (byte == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      const auto code = static_cast<unsigned char>(text[++i]);
      shown += {'\\', 'u', '0', '0', kHex[code >> 4], kHex[code & 0x0F]};
    } else {
      if (escapeQuotes && (byte == '"' || byte == '\\')) {
        shown += '\\';
      }
      shown += static_cast<char>(byte);
    }
  }
  return shown;
}

// A name the user gave (a file, a state file) as messages show it: as it is,
// or, when it holds a control character, in double quotes with those
// characters, '"' and '\' escaped ("a\x0Ab.fwu").
inline std::string ShownName(std::string_view name) {
  if (EscapeControls(name) == name) {
    return std::string(name);
  }
  return '"' + EscapeControls(name, true) + '"';
}

}  // namespace nimbo::cli
