// Strict UTF-8 reading and writing for the matrix text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nimbo::ledmatrix {

// Reads the code point that starts at `pos` and moves `pos` past it. Returns
// false (leaving `pos` alone) on a malformed, overlong or surrogate sequence or
// one cut short by the end of `text`.
bool NextCodePoint(std::string_view text, std::size_t& pos, char32_t& codePoint);

// Appends `codePoint` (at most U+10FFFF, no surrogate) as UTF-8.
void AppendUtf8(std::string& text, char32_t codePoint);

}  // namespace nimbo::ledmatrix
