// Colours written out by hand for the colour picker tests.
#pragma once

#include <cstdint>

namespace nimbo::colorpicker::test {

// R + 256 * G + 65536 * B, computed apart from the code under test.
constexpr std::uint32_t Rgb(int r, int g, int b) {
  return static_cast<std::uint32_t>(r + 256 * g + 65536 * b);
}

}  // namespace nimbo::colorpicker::test
