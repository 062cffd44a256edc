// The control's own conversions between RGB and hue (0..360), value (0..100)
// and saturation (0..100), all in doubles.
#pragma once

#include "colorpicker/ColorValue.h"

namespace nimbo::colorpicker {

// Uses the low 24 bits of the colour. V is always set; for black H and S keep
// their incoming values, for any other grey H keeps its incoming value, because
// the colour defines none.
void RGBToHSV(RgbColor colour, double& H, double& V, double& S);

// Channels round to nearest, halves to even. H below 0 or at 360 and above
// gives black; a channel that would leave 0..255 is limited to it.
RgbColor HSVToRGB(double H, double V, double S);

}  // namespace nimbo::colorpicker
