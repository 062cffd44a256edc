#include "ledmatrix/EscapeCodes.h"

#include <utility>

#include "ledmatrix/Utf8.h"

namespace nimbo::ledmatrix {

namespace {

constexpr char32_t kEscape = U'%';
constexpr char32_t kReplacement = 0xFFFD;  // stands for a malformed byte
constexpr const char* kSinglePercentHint = " (%% shows a single %)";

std::vector<char32_t> Characters(std::string_view text) {
  std::vector<char32_t> characters;
  characters.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t codePoint = 0;
    if (!NextCodePoint(text, pos, codePoint)) {
      codePoint = kReplacement;
      ++pos;
    }
    characters.push_back(codePoint);
  }
  return characters;
}

bool IsDecimal(char32_t c) {
  return c >= U'0' && c <= U'9';
}

bool IsHex(char32_t c) {
  return IsDecimal(c) || (c >= U'A' && c <= U'F') || (c >= U'a' && c <= U'f');
}

// Characters a message can show between quotes-free text: no blank, no control.
bool IsVisible(char32_t c) {
  return (c > 0x20 && c < 0x7F) || c > 0xA0;
}

// What follows the % of a code: the argument's form.
enum class Argument { None, Digit, FontDigit, Hex2, Hex6, Unknown };

Argument ArgumentOf(char32_t letter) {
  switch (letter) {
    case U'%':
    case U'E':
      return Argument::None;
    case U'S':
    case U'P':
    case U'B':
      return Argument::Digit;
    case U'F':
      return Argument::FontDigit;
    case U'H':
      return Argument::Hex2;
    case U'C':
      return Argument::Hex6;
    default:
      return Argument::Unknown;
  }
}

class Scanner {
 public:
  explicit Scanner(std::vector<char32_t> text) : text_(std::move(text)) {}

  EscapeScan Run() {
    std::size_t plainStart = 0;
    std::size_t i = 0;
    while (i < text_.size()) {
      if (text_[i] != kEscape) {
        ++i;
        continue;
      }
      if (i > plainStart) {
        scan_.pieces.push_back({EscapePiece::Kind::Plain, plainStart, i - plainStart, false});
      }
      i += ScanCode(i);
      plainStart = i;
    }
    if (i > plainStart) {
      scan_.pieces.push_back({EscapePiece::Kind::Plain, plainStart, i - plainStart, false});
    }
    return std::move(scan_);
  }

 private:
  // Scans the code whose % stands at `at`; returns the characters it takes.
  std::size_t ScanCode(std::size_t at) {
    if (at + 1 >= text_.size()) {
      return Add(at, 1,
                 "% at " + Position(at) + " ends the text without a code" + kSinglePercentHint);
    }
    const char32_t letter = text_[at + 1];
    const std::string code = "%" + Shown(letter);
    switch (ArgumentOf(letter)) {
      case Argument::None:
        return Add(at, 2, {});
      case Argument::Digit:
        if (at + 2 < text_.size() && IsDecimal(text_[at + 2])) {
          return Add(at, 3, {});
        }
        return Add(at, 2, code + " at " + Position(at) + " needs a digit 0-9");
      case Argument::FontDigit: {
        const bool present = at + 2 < text_.size() && IsDecimal(text_[at + 2]);
        if (present && text_[at + 2] <= U'1') {
          return Add(at, 3, {});
        }
        if (present) {
          return Add(at, 2,
                     code + " at " + Position(at) + " takes 0 or 1, not " + Shown(text_[at + 2]));
        }
        return Add(at, 2, code + " at " + Position(at) + " needs 0 or 1");
      }
      case Argument::Hex2:
        return ScanHex(at, 2, code + " at " + Position(at) + " needs two hex digits");
      case Argument::Hex6:
        return ScanHex(at, 6, code + " at " + Position(at) + " needs six hex digits");
      case Argument::Unknown:
        break;
    }
    if (IsVisible(letter)) {
      return Add(at, 2, code + " at " + Position(at) + " is not a code" + kSinglePercentHint);
    }
    // A blank, a line break or a control character: the % stands alone.
    return Add(at, 1, "% at " + Position(at) + " is not followed by a code" + kSinglePercentHint);
  }

  std::size_t ScanHex(std::size_t at, std::size_t digits, std::string problem) {
    std::size_t found = 0;
    while (found < digits && at + 2 + found < text_.size() && IsHex(text_[at + 2 + found])) {
      ++found;
    }
    return Add(at, 2 + found, found == digits ? std::string() : std::move(problem));
  }

  // Adds a code piece, with its problem when `problem` is not empty.
  std::size_t Add(std::size_t start, std::size_t length, std::string problem) {
    const bool bad = !problem.empty();
    scan_.pieces.push_back({EscapePiece::Kind::Code, start, length, bad});
    if (bad) {
      scan_.problems.push_back({start + 1, start, length, std::move(problem)});
    }
    return length;
  }

  static std::string Position(std::size_t index) { return std::to_string(index + 1); }

  static std::string Shown(char32_t c) {
    std::string text;
    AppendUtf8(text, c);
    return text;
  }

  std::vector<char32_t> text_;
  EscapeScan scan_;
};

}  // namespace

EscapeScan ScanEscapeCodes(std::string_view text) {
  return Scanner(Characters(text)).Run();
}

}  // namespace nimbo::ledmatrix
