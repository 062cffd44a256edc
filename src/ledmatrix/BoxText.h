// How the LED Matrix String appears in an editing box.
//
// A line break in the box is a carriage return and line feed in the string,
// as the Enter key types it. A text box shows other control characters as
// nothing, and would turn a lone carriage return into a line break, so a
// string holding them would not come back from the box as it went in: in
// the box, every control character other than that pair and the tab is shown
// by its Unicode control picture (a lone CR as U+240D, DEL as U+2421).
// Control pictures have no code in the device's character set, so the way
// back is unambiguous.
#pragma once

#include <string>
#include <string_view>

namespace nimbo::ledmatrix {

// The box's form of a matrix text (both UTF-8); line breaks as "\n".
std::string MatrixTextToBoxText(std::string_view matrixText);

// The matrix text of what a box holds: line breaks ("\n" and the box's
// paragraph and line separators U+2029, U+2028) become CR LF, control
// pictures their control characters. Malformed bytes pass through unchanged.
std::string BoxTextToMatrixText(std::string_view boxText);

}  // namespace nimbo::ledmatrix
