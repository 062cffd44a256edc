// The escape codes of the LED Matrix String, as the LED matrix window's
// legend documents them: %% (a single %), %E, %Sx, %Px, %Bx (x = 0..9),
// %Fx (x = 0 or 1), %Hxx (two hex digits) and %Crrggbb (six hex digits).
//
// The scanner only helps the person writing a text: it splits the text into
// plain characters and codes and lists what does not match the legend. The
// device decides what it does with any text, so nothing is changed or
// refused because of a problem found here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nimbo::ledmatrix {

// A run of characters; `start` and `length` count characters (code points)
// from 0. A code's run starts at its % and holds the characters that belong
// to it; a code with a problem holds the % and the letter and whichever of its
// argument characters were right.
struct EscapePiece {
  enum class Kind { Plain, Code };
  Kind kind = Kind::Plain;
  std::size_t start = 0;
  std::size_t length = 0;
  bool problem = false;  // a code that does not match the legend
};

struct EscapeProblem {
  std::size_t position = 0;  // of the %, counted from 1 as the user counts
  std::size_t start = 0;     // the code's piece, counted from 0
  std::size_t length = 0;
  std::string message;  // e.g. "%C at 12 needs six hex digits"
};

struct EscapeScan {
  std::vector<EscapePiece> pieces;      // in text order, covering every character
  std::vector<EscapeProblem> problems;  // in text order
};

// Scans UTF-8 `text`; a malformed byte counts as one character.
EscapeScan ScanEscapeCodes(std::string_view text);

}  // namespace nimbo::ledmatrix
