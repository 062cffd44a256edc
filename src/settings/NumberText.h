// The number texts of the configuration window: how typed text is read as a
// number, how stored voltages and the offset are written, and the rounding
// used between them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nimbo::settings {

// Blanks, tabs and line feeds are ignored anywhere; a leading "-" makes the
// value negative; digits and one "." are read up to the first other character.
// An empty or non-numeric text is 0. Too many digits before the point give
// +/- infinity; a value too small for a double is 0.
double NumericValue(std::string_view text);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
double RoundHalfEven(double value);

// The offset box text of a sign-and-magnitude byte: 5 -> " 5", 127 -> "127",
// 133 -> "- 5", 255 -> "-127".
std::string OffsetText(std::uint8_t stored);

// A voltage in units of 0.01 V as the voltage boxes show it: the single-
// precision value with at most seven significant digits, no trailing zeros and
// one leading blank, cut to its rightmost four characters: 465 -> "4.65",
// 450 -> " 4.5", 500 -> " 5", 65535 -> "5.35".
std::string VoltageText(std::uint16_t hundredths);

}  // namespace nimbo::settings
