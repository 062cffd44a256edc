// How the LED Matrix String appears in an editing box.
//
// A text box shows most control characters as nothing and turns a carriage
// return into a line break, so a string holding them would not come back
// from the box as it went in. In the box, every control character other than
// the line break and the tab is shown by its Unicode control picture
// (CR as U+240D, DEL as U+2421). Control pictures have no code in the
// device's character set, so the way back is unambiguous.
#pragma once

#include <string>
#include <string_view>

namespace nimbo::ledmatrix {

// The box's form of a matrix text (both UTF-8).
std::string MatrixTextToBoxText(std::string_view matrixText);

// The matrix text of what a box holds: control pictures become their control
// characters, the box's paragraph and line separators (U+2029, U+2028) line
// breaks. Malformed bytes pass through unchanged.
std::string BoxTextToMatrixText(std::string_view boxText);

}  // namespace nimbo::ledmatrix
