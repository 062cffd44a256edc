#include "ledmatrix/MatrixText.h"

#include <cstdio>
#include <utility>

#include "ledmatrix/Utf8.h"
#include "ledmatrix/Windows1252.h"

namespace nimbo::ledmatrix {

namespace {

std::string CodePointName(char32_t codePoint) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
  return name;
}

std::string NoCodeMessage(std::size_t position, char32_t codePoint) {
  std::string message = "Character " + std::to_string(position) + " ";
  // Printable characters are quoted so the user sees which one is meant.
  if (codePoint >= 0xA0) {
    message += "\"";
    AppendUtf8(message, codePoint);
    message += "\" ";
  }
  return message + "(" + CodePointName(codePoint) +
         ") cannot be shown on the LED matrix: it has no code in the device's character set "
         "(Windows-1252).";
}

}  // namespace

MatrixCodes TextToMatrixCodes(std::string_view text) {
  MatrixCodes result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    char32_t codePoint = 0;
    const std::size_t position = result.codes.size() + 1;  // counted from 1, as the user counts
    if (!NextCodePoint(text, pos, codePoint)) {
      result.problem = "The text is not valid UTF-8 at byte " + std::to_string(start + 1) +
                       " (character " + std::to_string(position) + ").";
      return result;
    }
    if (codePoint == 0) {
      result.problem = "Character " + std::to_string(position) +
                       " (U+0000) cannot be stored: code 0 ends the LED Matrix String.";
      return result;
    }
    const auto code = UnicodeToWindows1252(codePoint);
    if (!code) {
      result.problem = NoCodeMessage(position, codePoint);
      return result;
    }
    result.codes.push_back(*code);
  }
  if (result.codes.size() > kMatrixCapacity) {
    result.problem = "The LED Matrix String holds at most " + std::to_string(kMatrixCapacity) +
                     " characters; this text has " + std::to_string(result.codes.size()) + ".";
  }
  return result;
}

std::string MatrixCodesToText(std::span<const std::uint8_t> codes) {
  std::string text;
  text.reserve(codes.size());
  for (const std::uint8_t code : codes) {
    AppendUtf8(text, Windows1252ToUnicode(code));
  }
  return text;
}

std::optional<std::string> MatrixTextProblem(std::string_view text) {
  MatrixCodes converted = TextToMatrixCodes(text);
  if (converted.problem.empty()) {
    return std::nullopt;
  }
  return std::move(converted.problem);
}

}  // namespace nimbo::ledmatrix
