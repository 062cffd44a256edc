#include "colorpicker/gui/PaletteColors.h"

#include <QPalette>

namespace nimbo::colorpicker::gui {

QColor ToQColor(RgbColor colour) {
  return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

RgbColor FromQColor(const QColor& colour) {
  return PackRgb(colour.red(), colour.green(), colour.blue());
}

SystemColorTable SystemColorsFromPalette(const QPalette& palette) {
  SystemColorTable table;
  const auto set = [&](SystemColor index, QPalette::ColorGroup group, QPalette::ColorRole role) {
    table.Set(index, FromQColor(palette.color(group, role)));
  };
  constexpr auto kActive = QPalette::Active;
  constexpr auto kInactive = QPalette::Inactive;
  set(SystemColor::kButtonFace, kActive, QPalette::Button);
  set(SystemColor::kButtonText, kActive, QPalette::ButtonText);
  set(SystemColor::kButtonShadow, kActive, QPalette::Dark);
  set(SystemColor::kButtonHighlight, kActive, QPalette::Light);
  set(SystemColor::kDarkShadow3D, kActive, QPalette::Shadow);
  set(SystemColor::kLight3D, kActive, QPalette::Midlight);
  set(SystemColor::kWindow, kActive, QPalette::Base);
  set(SystemColor::kWindowText, kActive, QPalette::Text);
  set(SystemColor::kMenu, kActive, QPalette::Window);
  set(SystemColor::kMenuBar, kActive, QPalette::Window);
  set(SystemColor::kMenuText, kActive, QPalette::WindowText);
  set(SystemColor::kHighlight, kActive, QPalette::Highlight);
  set(SystemColor::kHighlightText, kActive, QPalette::HighlightedText);
  set(SystemColor::kMenuHighlight, kActive, QPalette::Highlight);
  set(SystemColor::kGrayText, QPalette::Disabled, QPalette::Text);
  set(SystemColor::kInfoText, kActive, QPalette::ToolTipText);
  set(SystemColor::kInfoBackground, kActive, QPalette::ToolTipBase);
  set(SystemColor::kHotLight, kActive, QPalette::Link);
  set(SystemColor::kAppWorkspace, kInactive, QPalette::Mid);
  return table;
}

}  // namespace nimbo::colorpicker::gui
