#include "colorpicker/WheelMarker.h"

#include <cmath>
#include <cstdlib>

namespace nimbo::colorpicker {

namespace {

constexpr double kPi = 3.14159265358979;
constexpr int kSearch = 10;        // pixels each way the refinement looks
constexpr int kMaxTolerance = 10;  // summed channel difference still accepted

double ShownValue(const ColorState& s, std::int32_t parameter) {
  return parameter <= kSaturation ? RoundHalfEven(s.ParameterValue(parameter))
                                  : s.ParameterValue(parameter);
}

int Difference(RgbColor a, RgbColor b) {
  return std::abs(RedOf(a) - RedOf(b)) + std::abs(GreenOf(a) - GreenOf(b)) +
         std::abs(BlueOf(a) - BlueOf(b));
}

}  // namespace

std::optional<PointF> MarkerPosition(const WheelRaster& raster, const ColorState& state,
                                     OleColor colour) {
  const WheelGeometry& g = raster.Geometry();
  const double aMax = state.ParameterMax(state.AxialParameter);
  const double rMax = state.ParameterMax(state.RadialParameter);
  if (aMax == 0 || rMax == 0 || raster.Width() == 0) {
    return std::nullopt;
  }
  if (colour == 0x808080) {
    return PointF{static_cast<double>(g.cx), static_cast<double>(g.cy)};
  }
  const double av = ShownValue(state, state.AxialParameter);
  const double rv = ShownValue(state, state.RadialParameter);
  const double phi = (1.0 - av / aMax) * 2.0 * kPi;

  std::optional<PointF> base;
  for (const double radius : {static_cast<double>(g.Rad), 0.99 * g.D / 2.0, 0.98 * g.D / 2.0}) {
    const double x = std::floor(std::cos(phi) * rv / rMax * radius + g.cx);
    const double y = std::floor(std::sin(phi) * rv / rMax * radius + g.cy);
    for (int k = 0; k <= 2 && !base; ++k) {
      if (raster.InsideWheel(x + k, y + k)) {
        base = PointF{x + k, y + k};
      }
    }
    if (base) {
      break;
    }
  }
  if (!base) {
    return std::nullopt;
  }
  const RgbColor target = state.Translate(colour);
  for (int tolerance = 0; tolerance <= kMaxTolerance; ++tolerance) {
    std::optional<PointF> best;
    double bestDistance = g.Rad;
    for (int dx = -kSearch; dx <= kSearch; ++dx) {
      for (int dy = -kSearch; dy <= kSearch; ++dy) {
        const double x = base->x + dx;
        const double y = base->y + dy;
        if (!raster.InsideWheel(x, y) ||
            Difference(raster.ShownColorAt(x, y), target) > tolerance) {
          continue;
        }
        const double distance = std::hypot(dx, dy);
        if (distance < bestDistance || !best) {
          bestDistance = distance;
          best = PointF{x, y};
        }
      }
    }
    if (best) {
      return best;
    }
  }
  return base;
}

MarkerStyle MarkerStyleFor(int luminance, double insideRim, double armLength) {
  constexpr RgbColor kWhite = 0xFFFFFF;
  if (luminance < 111) {
    const bool solid = luminance >= 50 && insideRim >= 1.5 * armLength;
    return {kWhite, solid ? MarkerMode::Copy : MarkerMode::InvertScreen};
  }
  if (luminance <= 200) {
    return {0x000000, MarkerMode::Copy};
  }
  return {kWhite, MarkerMode::InvertScreen};
}

}  // namespace nimbo::colorpicker
