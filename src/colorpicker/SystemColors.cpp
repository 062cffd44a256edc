#include "colorpicker/SystemColors.h"

namespace nimbo::colorpicker {

SystemColorTable::SystemColorTable() {
  Set(SystemColor::kScrollBar, PackRgb(200, 200, 200));
  Set(SystemColor::kDesktop, PackRgb(0, 0, 0));
  Set(SystemColor::kActiveCaption, PackRgb(153, 180, 209));
  Set(SystemColor::kInactiveCaption, PackRgb(191, 205, 219));
  Set(SystemColor::kMenu, PackRgb(240, 240, 240));
  Set(SystemColor::kWindow, PackRgb(255, 255, 255));
  Set(SystemColor::kWindowFrame, PackRgb(100, 100, 100));
  Set(SystemColor::kMenuText, PackRgb(0, 0, 0));
  Set(SystemColor::kWindowText, PackRgb(0, 0, 0));
  Set(SystemColor::kCaptionText, PackRgb(0, 0, 0));
  Set(SystemColor::kActiveBorder, PackRgb(180, 180, 180));
  Set(SystemColor::kInactiveBorder, PackRgb(244, 247, 252));
  Set(SystemColor::kAppWorkspace, PackRgb(171, 171, 171));
  Set(SystemColor::kHighlight, PackRgb(0, 120, 215));
  Set(SystemColor::kHighlightText, PackRgb(255, 255, 255));
  Set(SystemColor::kButtonFace, PackRgb(240, 240, 240));
  Set(SystemColor::kButtonShadow, PackRgb(160, 160, 160));
  Set(SystemColor::kGrayText, PackRgb(109, 109, 109));
  Set(SystemColor::kButtonText, PackRgb(0, 0, 0));
  Set(SystemColor::kInactiveCaptionText, PackRgb(0, 0, 0));
  Set(SystemColor::kButtonHighlight, PackRgb(255, 255, 255));
  Set(SystemColor::kDarkShadow3D, PackRgb(105, 105, 105));
  Set(SystemColor::kLight3D, PackRgb(227, 227, 227));
  Set(SystemColor::kInfoText, PackRgb(0, 0, 0));
  Set(SystemColor::kInfoBackground, PackRgb(255, 255, 225));
  Set(SystemColor::kHotLight, PackRgb(0, 102, 204));
  Set(SystemColor::kGradientActiveCaption, PackRgb(185, 209, 234));
  Set(SystemColor::kGradientInactiveCaption, PackRgb(215, 228, 242));
  Set(SystemColor::kMenuHighlight, PackRgb(51, 153, 255));
  Set(SystemColor::kMenuBar, PackRgb(240, 240, 240));
}

bool SystemColorTable::Set(int index, RgbColor colour) {
  if (index < 0 || index >= kCount) {
    return false;
  }
  colours_[static_cast<std::size_t>(index)] = colour & 0xFFFFFFu;
  return true;
}

std::optional<RgbColor> SystemColorTable::Get(int index) const {
  if (index < 0 || index >= kCount) {
    return std::nullopt;
  }
  return colours_[static_cast<std::size_t>(index)];
}

std::optional<RgbColor> SystemColorTable::Translate(OleColor colour) const {
  const std::uint32_t kind = colour >> 24;
  const std::uint32_t low = colour & 0xFFFFFFu;
  switch (kind) {
    case 0x00:
    case 0x02:
      return low;
    case 0x80:
      if (low < static_cast<std::uint32_t>(kCount)) {
        return colours_[low];
      }
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace nimbo::colorpicker
