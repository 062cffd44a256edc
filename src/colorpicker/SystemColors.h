// The desktop's system colours, which an OLE colour can refer to by index, and
// the translation of an OLE colour into plain RGB.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "colorpicker/ColorValue.h"

namespace nimbo::colorpicker {

// Indices of the system colours (&H80000000 + index).
enum class SystemColor : int {
  kScrollBar = 0,
  kDesktop = 1,
  kActiveCaption = 2,
  kInactiveCaption = 3,
  kMenu = 4,
  kWindow = 5,
  kWindowFrame = 6,
  kMenuText = 7,
  kWindowText = 8,
  kCaptionText = 9,
  kActiveBorder = 10,
  kInactiveBorder = 11,
  kAppWorkspace = 12,
  kHighlight = 13,
  kHighlightText = 14,
  kButtonFace = 15,
  kButtonShadow = 16,
  kGrayText = 17,
  kButtonText = 18,
  kInactiveCaptionText = 19,
  kButtonHighlight = 20,
  kDarkShadow3D = 21,
  kLight3D = 22,
  kInfoText = 23,
  kInfoBackground = 24,
  kHotLight = 26,
  kGradientActiveCaption = 27,
  kGradientInactiveCaption = 28,
  kMenuHighlight = 29,
  kMenuBar = 30,
};

// The OLE colour that refers to a system colour.
constexpr OleColor SystemColorRef(SystemColor index) {
  return 0x80000000u | static_cast<OleColor>(index);
}

// What each system colour currently is. Starts with a light desktop scheme; the
// desktop program overwrites the entries from its palette.
class SystemColorTable {
 public:
  static constexpr int kCount = 31;  // indices 0..30

  SystemColorTable();

  // Returns false (and changes nothing) for an index outside 0..30.
  bool Set(int index, RgbColor colour);
  void Set(SystemColor index, RgbColor colour) { Set(static_cast<int>(index), colour); }
  std::optional<RgbColor> Get(int index) const;

  // Plain colours (high byte 0, or 2 for a palette-relative colour) keep their
  // low 24 bits; &H80000000 + index resolves through the table. Anything else
  // (another high byte, an index past 30, the "no colour" value) is not a colour.
  std::optional<RgbColor> Translate(OleColor colour) const;
  // Translate, with black for a value that is not a colour.
  RgbColor TranslateOrBlack(OleColor colour) const { return Translate(colour).value_or(0); }

 private:
  std::array<RgbColor, kCount> colours_{};
};

}  // namespace nimbo::colorpicker
