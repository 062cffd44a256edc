// How screen readers see the colour-wheel control: the wheel and the shades
// strip are value controls that name the parameter they carry, report its
// value and take a new one.
#pragma once

namespace nimbo::colorpicker::gui {

// The accessibility factory for the wheel and strip pictures of any
// ColorWheel; installing it again changes nothing.
void InstallColorWheelAccessibility();

}  // namespace nimbo::colorpicker::gui
