// Small colour helpers of the wheel's mouse handling and the control's
// background: snapping picked colours and perceived luminance.
#pragma once

#include <cstdint>

#include "colorpicker/ColorValue.h"
#include "colorpicker/SystemColors.h"

namespace nimbo::colorpicker {

// When every channel is at least 249 or at most 6, each becomes 255 or 0, so
// white, black and the pure primaries and secondaries can be picked from a
// drawn wheel that holds only near values; otherwise the colour is unchanged.
RgbColor SnapColor(RgbColor colour);

// Perceived brightness 0..255 of a colour (system colours resolved first):
// 0.2125 R + 0.7154 G + 0.0721 B, rounded halves to even.
std::int32_t GetLuminance(OleColor colour, const SystemColorTable& systemColors);

// Backgrounds at least this bright get dark text.
inline constexpr std::int32_t kLightBackgroundLuminance = 171;

}  // namespace nimbo::colorpicker
