// Text from outside (a name the user typed, a device's text) as the terminal
// is given it: never with a character that moves the cursor, starts a new
// line or drives the terminal, so that every message stays one line.
// Shared by nimbo-cli and nimbo-fwu.
#pragma once

#include <string>
#include <string_view>

namespace nimbo::cli {

// The length of the UTF-8 sequence at the start of `text`, or 0 when it is
// not one (a stray byte, a cut or overlong sequence, a surrogate).
inline std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    return 1;
  }
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || text.size() < length) {
    return 0;
  }
  // The second byte's range narrows where a lead could start an overlong
  // form, a surrogate or a code point past U+10FFFF.
  const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (byte(1) < low || byte(1) > high) {
    return 0;
  }
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) {
      return 0;
    }
  }
  return length;
}

// `text` with C0 controls, DEL and bytes that are not UTF-8 shown as "\x1B",
// and the C1 controls (U+0080..U+009F, which some terminals obey) as
// "\u009B"; any other character as it is.
inline std::string EscapeControls(std::string_view text, bool escapeQuotes = false) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const std::size_t length = Utf8SequenceLength(text.substr(i));
    if (byte < 0x20 || byte == 0x7F || length == 0) {
      shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0x0F]};
      ++i;
      continue;
    }
    if (byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      const auto code = static_cast<unsigned char>(text[i + 1]);
      shown += {'\\', 'u', '0', '0', kHex[code >> 4], kHex[code & 0x0F]};
    } else {
      if (escapeQuotes && (byte == '"' || byte == '\\')) {
        shown += '\\';
      }
      shown.append(text.substr(i, length));
    }
    i += length;
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
